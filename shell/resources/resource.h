// Identifiers shared by setup.rc and the code.
#pragma once

#define IDI_SETUP 1
