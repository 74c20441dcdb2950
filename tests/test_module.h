// The framework tests build the framework into the test program itself; this is the
// module options they run it with, changeable per test.
#pragma once

#include "module_options.h"

ModuleOptions& testModuleOptions();
