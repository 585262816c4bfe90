// Registration of the framework's persistent classes with the class factory: one table of every
// persistent class of the framework (abstract classes register nothing), registered when a module
// starts (and by every test program) and removed when it unloads. The foundation library's classes
// have their own call (RWRegisterFoundationClasses).
#pragma once

#include <cstddef>

#include "rw/RWFactory.h"

const RWClassRegistration* GFrameworkClasses(std::size_t* count);
void GRegisterFrameworkClasses();
void GUnregisterFrameworkClasses();
