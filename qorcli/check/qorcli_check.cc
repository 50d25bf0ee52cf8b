// qorcli-check: loads descriptor files through the library exactly as qorcli does, reports what
// the loader refuses, and then reads the templates of the commands that loaded for mistakes the
// loader accepts but that fail or leak when the command runs.
//
// Exit status: 0 when every file is clean, 1 when any file has an error, 2 when there are only
// warnings.
#include <dirent.h>

#include <algorithm>
#include <exception>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <boost/regex.hpp>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <tarnek/tarnek.h>

namespace {

using Tarnek::TarnekException;
using Tarnek::AutoCli::Dispatcher;
using Tarnek::AutoCli::ExtensionCommand;
using Tarnek::AutoCli::XmlPlugin;
using Tarnek::CallSpec::ParameterSpec;
using Tarnek::CallSpec::ParameterType;

constexpr const char* kUsage =
    "usage: qorcli-check [--installed] [--plugin-dir DIR]... [--plugin FILE]... PATH...\n"
    "\n"
    "Loads each descriptor PATH (a directory: its lib64 subdirectory and then itself, every\n"
    "*.xml in name order) as qorcli does, prints the errors that would keep it from loading and\n"
    "warnings about commands that load but misbehave when run.\n"
    "\n"
    "  --installed         load the plug-ins of the default directories first, as qorcli does\n"
    "  --plugin-dir DIR    load the plug-ins of DIR first (not checked)\n"
    "  --plugin FILE       load FILE first (not checked)\n"
    "\n"
    "Exit status: 0 clean, 1 errors, 2 warnings only.\n";

class Report {
 public:
  void Error(const std::string& file, const std::string& message) {
    std::cout << file << ": error: " << message << '\n';
    ++errors;
  }
  void Warning(const std::string& file, const std::string& message) {
    std::cout << file << ": warning: " << message << '\n';
    ++warnings;
  }
  int ExitStatus() const { return errors > 0 ? 1 : warnings > 0 ? 2 : 0; }
  void Summary(std::size_t files) const {
    std::cout << files << (files == 1 ? " file" : " files") << " checked: " << errors
              << (errors == 1 ? " error, " : " errors, ") << warnings
              << (warnings == 1 ? " warning" : " warnings") << '\n';
  }

 private:
  int errors = 0;
  int warnings = 0;
};

bool IsList(ParameterType type) {
  return type == ParameterType::StringList || type == ParameterType::IntList ||
         type == ParameterType::BoolList;
}

// One template token as the substitution sees it: the kind, the parameter it names and where it
// stands in the template.
struct Token {
  std::string kind;
  std::string name;
  std::size_t position;
  std::size_t length;
  bool wellFormed;
};

// Finds every $val/$if/$list/$multilist token. The substitution only fills a token whose whole
// shape matches, so a malformed one is kept for the "stays as written" warning.
std::vector<Token> FindTokens(const std::string& text) {
  static const boost::regex start(R"(\$(val|if|list|multilist)\{([^,{}]*)([,}])?)");
  static const std::map<std::string, boost::regex> shapes = {
      {"val", boost::regex(R"(\$val\{[^{}]*\})")},
      {"if", boost::regex(R"(\$if\{[^,{}]*,.+?\})")},
      {"list", boost::regex(R"(\$list\{[^,{}]*,'.?',(true|false)\})")},
      {"multilist", boost::regex(R"(\$multilist\{[^,{}]*,.+?,(true|false)\})")},
  };
  std::vector<Token> tokens;
  for (boost::sregex_iterator it(text.begin(), text.end(), start), end; it != end; ++it) {
    const boost::smatch& match = *it;
    Token token{match[1], match[2], static_cast<std::size_t>(match.position()),
                static_cast<std::size_t>(match.length()), false};
    boost::smatch shape;
    if (boost::regex_search(text.begin() + token.position, text.end(), shape, shapes.at(token.kind),
                            boost::match_continuous)) {
      token.length = shape.length();
      token.wellFormed = true;
    }
    tokens.push_back(token);
  }
  return tokens;
}

// $val{N} written as '$val{N}': the substitution then drops single quotes from the value instead
// of escaping shell characters.
bool IsSingleQuoted(const std::string& text, const Token& token) {
  const std::size_t after = token.position + token.length;
  return token.position > 0 && text[token.position - 1] == '\'' && after < text.size() &&
         text[after] == '\'';
}

class CommandChecker {
 public:
  CommandChecker(const std::string& file, const std::string& path,
                 const std::shared_ptr<ExtensionCommand>& command, Report& report)
      : file(file), prefix("command '" + path + "': "), command(command), report(report) {
    for (const auto& parameter : command->GetInputSpec()->GetParameters()) {
      parameters[parameter->GetName()] = parameter;
    }
  }

  void Check() {
    if (!command->GetOutputSpec()->GetRootObject()) {
      Warn(
          "<output-spec> declares no result, so every run that prints a value document fails "
          "the output check (\"No root object set for output spec. ...\")");
    }
    CheckTemplate(command->GetExecuteCommand(), "<execute>", "command line", false);
    CheckTemplate(command->GetStdin(), "<stdin>", "standard input", true);
  }

 private:
  void Warn(const std::string& message) {
    // A token repeated in a template would repeat its warning word for word.
    if (given.insert(message).second) report.Warning(file, prefix + message);
  }

  void CheckTemplate(const std::string& text, const std::string& element, const std::string& where,
                     bool forStdin) {
    std::map<std::string, std::pair<bool, bool>> quoting;  // name -> (quoted seen, bare seen)
    for (const Token& token : FindTokens(text)) {
      const std::string written = text.substr(token.position, token.length);
      if (!token.wellFormed) {
        Warn(element + " token " + written + "... is not of the form " + Shape(token.kind) +
             ", so it is never filled and stays in the " + where + " as written");
        continue;
      }
      auto declared = parameters.find(token.name);
      if (declared == parameters.end()) {
        Warn(element + " token " + written + " names no declared parameter '" + token.name + "'" +
             (token.kind == "if" ? ", so it is always removed"
                                 : ", so it stays in the " + where + " as written"));
        continue;
      }
      const ParameterSpec& parameter = *declared->second;
      if (token.kind == "val" && parameter.GetParameterType() == ParameterType::Flag) {
        Warn(element + " uses $val{" + token.name + "} on the flag parameter '" + token.name +
             "': the command fails whenever the flag is given; use $if{" + token.name + ",TEXT}");
      } else if (token.kind == "val" && IsList(parameter.GetParameterType())) {
        Warn(element + " uses $val{" + token.name + "} on the list parameter '" + token.name +
             "': the command fails whenever the parameter is given; use $list or $multilist");
      }
      if (!forStdin && parameter.IsSecret() && token.kind != "if") {
        Warn("the secret parameter '" + token.name + "' is put on the command line by " + written +
             ", where process listings show it and the system log records it when the command "
             "prints nothing; pass it through <stdin> instead");
      }
      if (!forStdin && token.kind == "val") {
        auto& seen = quoting[token.name];
        (IsSingleQuoted(text, token) ? seen.first : seen.second) = true;
      }
    }
    for (const auto& [name, seen] : quoting) {
      if (seen.first && seen.second) {
        Warn(element + " uses $val{" + name + "} both inside single quotes and elsewhere; " +
             "the value is cleaned for the last occurrence and that cleaning is used for all of "
             "them (quotes dropped, or shell characters escaped)");
      }
    }
  }

  static std::string Shape(const std::string& kind) {
    if (kind == "val") return "$val{name}";
    if (kind == "if") return "$if{name,TEXT}";
    if (kind == "list") return "$list{name,'C',true|false}";
    return "$multilist{name,FLAG,true|false}";
  }

  const std::string& file;
  const std::string prefix;
  std::shared_ptr<ExtensionCommand> command;
  Report& report;
  std::map<std::string, std::shared_ptr<ParameterSpec>> parameters;
  std::set<std::string> given;
};

std::vector<xmlNode*> Children(xmlNode* node, const char* name) {
  std::vector<xmlNode*> found;
  for (xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && child->name != nullptr &&
        xmlStrcmp(child->name, reinterpret_cast<const xmlChar*>(name)) == 0) {
      found.push_back(child);
    }
  }
  return found;
}

// The loader stops at the first broken element. To show an author every broken namespace and
// command in one run, read them again one at a time with the loader's own element readers and
// report each refusal as the loader would word it. What did load comes back for the template
// checks.
std::vector<XmlPlugin::Registration> ReadElementByElement(const std::string& file,
                                                          const std::string& firstError,
                                                          Report& report) {
  using DocumentPtr = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;
  // The first read has already printed the parser's own complaints.
  const DocumentPtr document(
      xmlReadFile(file.c_str(), nullptr, XML_PARSE_NOERROR | XML_PARSE_NOWARNING), &xmlFreeDoc);
  xmlNode* top = document ? xmlDocGetRootElement(document.get()) : nullptr;
  if (top == nullptr) return {};
  const auto plugin = XmlPlugin::New(file);
  const auto wrapped = [&](const std::string& message) {
    return "Unable to handle XML Plugin " + file +
           ".  There was an error while parsing: " + message;
  };
  try {
    if (Tarnek::AutoCli::XmlUtil_GetContentForChildByTag(top, "version") != "1.0.0") return {};
    for (const char* group : {"namespaces", "commands"}) {
      xmlNode* parent = Tarnek::AutoCli::XmlUtil_FindChildNode(top, group);
      if (parent == nullptr) continue;
      const bool isNamespaces = group[0] == 'n';
      for (xmlNode* child : Children(parent, isNamespaces ? "namespace" : "command")) {
        try {
          isNamespaces ? plugin->AddNamespace(child) : plugin->AddCommand(child);
        } catch (const TarnekException& error) {
          const std::string message = wrapped(error.what());
          if (message != firstError) report.Error(file, message);
        }
      }
    }
  } catch (const TarnekException&) {
    // A file-level refusal: the first error already says it.
    return {};
  }
  return plugin->GetRegistrations();
}

void CheckFile(Dispatcher& dispatcher, const std::string& file, Report& report) {
  static const boost::regex descriptorName(".+\\.xml$");
  if (!boost::regex_match(file, descriptorName)) {
    report.Warning(file,
                   "qorcli loads only files whose names end in \".xml\"; it ignores this one");
  }
  const auto plugin = XmlPlugin::New(file);
  std::vector<XmlPlugin::Registration> loaded;
  bool initialized = false;
  try {
    plugin->Initialize();
    loaded = plugin->GetRegistrations();
    initialized = true;
  } catch (const TarnekException& error) {
    report.Error(file, error.what());
    loaded = ReadElementByElement(file, error.what(), report);
  }
  if (initialized) {
    try {
      dispatcher.RegisterPlugin(plugin);
    } catch (const TarnekException& error) {
      report.Error(file, error.what());
    }
  }
  for (const auto& [path, node] : loaded) {
    if (auto command = std::dynamic_pointer_cast<ExtensionCommand>(node)) {
      CommandChecker(file, path, command, report).Check();
    }
  }
}

// The files of a directory in the order the dispatcher loads them: its lib64 subdirectory
// first, each in byte-wise name order.
std::vector<std::string> DescriptorsIn(const std::string& directory) {
  std::vector<std::string> files;
  for (const std::string& dir : {directory + "/lib64", directory}) {
    DIR* handle = opendir(dir.c_str());
    if (handle == nullptr) continue;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(handle)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) {
        names.push_back(dir + "/" + name);
      }
    }
    closedir(handle);
    std::sort(names.begin(), names.end());
    files.insert(files.end(), names.begin(), names.end());
  }
  return files;
}

bool IsDirectory(const std::string& path) {
  DIR* handle = opendir(path.c_str());
  if (handle == nullptr) return false;
  closedir(handle);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Dispatcher dispatcher;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      const bool hasValue = i + 1 < argc;
      if (arg == "-h" || arg == "--help") {
        std::cout << kUsage;
        return 0;
      } else if (arg == "--installed") {
        dispatcher.AddDefaultDirectories();
      } else if (arg == "--plugin-dir" && hasValue) {
        dispatcher.AddExternalDirectory(argv[++i]);
      } else if (arg == "--plugin" && hasValue) {
        const std::string file = argv[++i];
        try {
          dispatcher.AddPlugin(file);
        } catch (const TarnekException& error) {
          std::cerr << "Unable to load plugin " << file << ": " << error.what() << std::endl;
        }
      } else if (!arg.empty() && arg[0] == '-') {
        std::cerr << "qorcli-check: unknown option " << arg << "\n\n" << kUsage;
        return 1;
      } else if (IsDirectory(arg)) {
        const auto found = DescriptorsIn(arg);
        files.insert(files.end(), found.begin(), found.end());
      } else {
        files.push_back(arg);
      }
    }
    if (files.empty()) {
      std::cerr << "qorcli-check: no descriptor to check\n\n" << kUsage;
      return 1;
    }
    Report report;
    for (const std::string& file : files) CheckFile(dispatcher, file, report);
    report.Summary(files.size());
    return report.ExitStatus();
  } catch (const std::exception& error) {
    std::cerr << "qorcli-check: " << error.what() << std::endl;
    return 1;
  }
}
