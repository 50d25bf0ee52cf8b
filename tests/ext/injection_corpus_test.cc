// The shell-injection corpus: every hostile value of injection_corpus.txt in every template
// context, run by the real /bin/sh. Nothing but the template's own command may run (a canary
// file stays absent), and each context delivers the value in the shape it promises.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/canary_directory.h"
#include "tarnek/autocli/extension_command.h"
#include "tarnek/metaobj.h"

namespace {

using namespace Tarnek::AutoCli;
using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

// One parameter per context and one context per line, so that a value ending its line (a bare
// "#" starts a comment) takes nothing else with it. Each line reports its context, the number
// of words the shell made and the words, separated by NUL bytes; the whole report comes back
// hex-encoded so that any byte survives the value document.
const char* const kContexts[] = {
    "$val{pa}",           "\"$val{pb}\"",           "'$val{pc}'",
    "$list{pd,',',false}", "$list{pe,',',true}",    "$multilist{pf,--o,false}",
    "$multilist{pg,--o,true}",
};
constexpr int kContextCount = sizeof kContexts / sizeof kContexts[0];

std::string Template() {
  std::string text = "{\n";
  for (int i = 0; i < kContextCount; ++i) {
    text += "printf '@" + std::to_string(i) + "\\0'; set -- " + kContexts[i] +
            "; printf '%s\\0' \"$#\" \"$@\"\n";
  }
  return text +
         "} | { printf '<output><string>'; od -An -v -tx1 | tr -d ' \\n'; "
         "printf '</string></output>'; }";
}

std::shared_ptr<ExtensionCommand> CorpusCommand(const std::string& execute) {
  auto spec = InputSpec::New();
  for (const char* name : {"pa", "pb", "pc", "pd", "pe", "pf", "pg"}) {
    const bool list = name[1] >= 'd';
    spec->AddParameter(ParameterSpec::New(name, list ? ParameterType::StringList
                                                     : ParameterType::String));
  }
  auto declared = OutputSpec::New();
  declared->SetRootObject(MetaString::New());
  auto command = ExtensionCommand::New();
  command->SetInputSpec(spec);
  command->SetOutputSpec(declared);
  command->SetExecuteCommand(execute);
  return command;
}

// Reads the corpus notation (see the file's header).
std::string Decode(const std::string& line) {
  std::string text = line;
  int times = 1;
  if (text.compare(0, 2, "\\*") == 0) {
    const std::size_t space = text.find(' ');
    times = std::atoi(text.substr(2, space - 2).c_str());
    text.erase(0, space + 1);
  }
  std::string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      value += text[i];
      continue;
    }
    const char code = text[++i];
    if (code == 'n') value += '\n';
    else if (code == 't') value += '\t';
    else if (code == 's') value += ' ';
    else if (code == 'x') {
      value += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else value += code;  // "\\"
  }
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += value;
  return repeated;
}

std::vector<std::string> ReadCorpus() {
  const char* root = std::getenv("TARNEK_TEST_SOURCE_DIR");
  std::ifstream file(std::string(root ? root : ".") + "/tests/ext/injection_corpus.txt");
  std::vector<std::string> values;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line[0] != '#') values.push_back(Decode(line));
  }
  return values;
}

std::string Clean(const std::string& value) { return ExtensionCommand::SanitizeInput(value); }

std::string Without(const std::string& value, char dropped) {
  return ExtensionCommand::SanitizeChar(value, dropped);
}

// What the shell makes of cleaned text inside double quotes: a backslash disappears before
// "$", "`", "\"", "\\" and, with the line feed, before a line feed; elsewhere it stays.
std::string InDoubleQuotes(const std::string& text) {
  std::string word;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() &&
        std::string("$`\"\\\n").find(text[i + 1]) != std::string::npos) {
      if (text[++i] != '\n') word += text[i];
    } else {
      word += text[i];
    }
  }
  return word;
}

// The words the shell makes of cleaned text outside quotes; {"<cut>"} when a word starts with
// "#" (the rest of the line is a comment), none when a glob or tilde may be expanded.
std::optional<std::vector<std::string>> Unquoted(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (c == '\\' && i + 1 < text.size()) {
      if (text[++i] != '\n') word += text[i], inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear(), inWord = false;
    } else if (c == '#' && !inWord) {
      return std::vector<std::string>{"<cut>"};
    } else if (c == '?' || c == '[' || (c == '~' && !inWord)) {
      return std::nullopt;
    } else {
      word += c, inWord = true;
    }
  }
  return words;
}

// The report of one run: for each context, the words the shell gave `set`, or "<cut>" when a
// comment ended its line first. A malformed report throws, which fails the test.
std::vector<std::vector<std::string>> ReadReport(const std::string& hex) {
  std::vector<std::string> fields{""};
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const char byte = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    if (byte == '\0') fields.emplace_back();
    else fields.back().push_back(byte);
  }
  fields.pop_back();  // the empty rest after the last NUL
  std::vector<std::vector<std::string>> contexts(kContextCount, {"<cut>"});
  for (std::size_t i = 0; i < fields.size();) {
    auto& words = contexts.at(std::stoul(fields.at(i++).substr(1)));  // "@N"
    if (i == fields.size() || fields[i][0] == '@') continue;           // the line was cut short
    words.clear();
    for (std::size_t count = std::stoul(fields[i++]); count > 0; --count) {
      words.push_back(fields.at(i++));
    }
  }
  return contexts;
}

using InjectionCorpus = TarnekTest::CanaryDirectory;

TEST_F(InjectionCorpus, NoValueRunsACommandInAnyContext) {
  const std::vector<std::string> corpus = ReadCorpus();
  ASSERT_GE(corpus.size(), 50u) << "the corpus file was not found or is cut short";
  const auto command = CorpusCommand(Template());
  for (const std::string& value : corpus) {
    auto input = Input::New();
    for (const char* name : {"pa", "pb", "pc"}) input->AddParameter(name, value);
    for (const char* name : {"pd", "pe", "pf", "pg"}) {
      input->AddParameter(name, value);
      input->AddParameter(name, value);
    }
    input->SetInputSpec(command->GetInputSpec());
    auto output = Output::New();
    command->Execute(input, output);
    const std::string shown = ::testing::PrintToString(value);
    EXPECT_FALSE(CanaryExists()) << "ran a command: " << shown;
    unlink("CANARY");
    ASSERT_FALSE(output->HasError()) << shown << ": " << output->GetErrors().front();
    const auto received = ReadReport(output->GetRootObject()->ToString());

    const std::string twice = value + "," + value;
    const std::vector<std::string> exact[] = {
        {},
        {InDoubleQuotes(Clean(value))},
        {Without(value, '\'')},
        {},
        {InDoubleQuotes(Clean(twice))},
        {},
        {"--o", Without(value, '"'), "--o", Without(value, '"')},
    };
    const std::string unquoted[] = {Clean(value), "", "", Clean(twice), "",
                                    " --o " + Clean(value) + " --o " + Clean(value), ""};
    for (int c = 0; c < kContextCount; ++c) {
      std::vector<std::string> expected = exact[c];
      if (!unquoted[c].empty()) {
        const auto words = Unquoted(unquoted[c]);
        if (!words) continue;
        expected = *words;
      }
      EXPECT_EQ(received[static_cast<std::size_t>(c)], expected)
          << kContexts[c] << " with " << shown;
    }
  }
}

}  // namespace
