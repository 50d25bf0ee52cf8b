// The command-line engine: command tree and commands, output formatting, option parsing.
#ifndef TARNEK_AUTOCLI_H_
#define TARNEK_AUTOCLI_H_

#include "tarnek/autocli/cli_dispatcher.h"
#include "tarnek/autocli/command_list.h"
#include "tarnek/autocli/dispatcher.h"
#include "tarnek/autocli/extension_command.h"
#include "tarnek/autocli/format.h"
#include "tarnek/autocli/help_formatter.h"
#include "tarnek/autocli/json_formatter.h"
#include "tarnek/autocli/option_parser.h"
#include "tarnek/autocli/plugin.h"
#include "tarnek/autocli/simple_formatter.h"
#include "tarnek/autocli/table_formatter.h"
#include "tarnek/autocli/tree.h"
#include "tarnek/autocli/xml_formatter.h"
#include "tarnek/autocli/xml_plugin.h"
#include "tarnek/autocli/xml_util.h"

#endif  // TARNEK_AUTOCLI_H_
