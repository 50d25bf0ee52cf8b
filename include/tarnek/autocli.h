// The command-line engine: command tree and commands, output formatting, option parsing.
#ifndef TARNEK_AUTOCLI_H_
#define TARNEK_AUTOCLI_H_

#include "tarnek/autocli/format.h"
#include "tarnek/autocli/option_parser.h"
#include "tarnek/autocli/tree.h"

#endif  // TARNEK_AUTOCLI_H_
