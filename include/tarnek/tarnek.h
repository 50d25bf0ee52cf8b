// Everything libtarnek exports: include this one header.
#ifndef TARNEK_TARNEK_H_
#define TARNEK_TARNEK_H_

#include "tarnek/exception.h"
#include "tarnek/metaobj.h"
#include "tarnek/callspec.h"
#include "tarnek/autocli.h"

#endif  // TARNEK_TARNEK_H_
