#pragma once

// Dialogues with the simulator written as scripts under tests/data/sim: the lines typed, and
// what must hold of the answer to each.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/conversation.h"
#include "sim/faults.h"
#include "sim/session_log.h"
#include "tests/test_data.h"

namespace kestrel::sim::testing {

// The lines of a section of a data file, without their line ends.
inline std::vector<std::string> ScriptLines(const std::string& section) {
  return kestrel::testing::SplitAt(section, "\r\n");
}

// The rows "TEXT | WHAT" of section `name` of tests/data/sim/malformed.txt, TEXT unescaped.
inline std::vector<std::pair<std::string, std::string>> MalformedRows(const std::string& name) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const std::string& line :
       ScriptLines(kestrel::testing::TestDataSections("sim/malformed.txt").at(name))) {
    const std::size_t bar = line.rfind(" | ");
    if (bar != std::string::npos)
      rows.emplace_back(UnescapeRecordText(line.substr(0, bar)), line.substr(bar + 3));
  }
  return rows;
}

// A section of a data file without its "#" comment lines, as one text.
inline std::string Uncommented(const std::string& section) {
  std::string text;
  for (const std::string& line : ScriptLines(section)) {
    if (!line.starts_with('#')) text += line + "\n";
  }
  return text;
}

// "name=value": a list of typed-line starts by commas ("name=" empties it), a number or a text.
inline void SetFault(Faults& faults, const std::string& setting) {
  const std::string name = setting.substr(0, setting.find('='));
  const std::string value = setting.substr(name.size() + 1);
  std::vector<std::string> texts;
  if (!value.empty()) texts = kestrel::testing::SplitAt(value, ",");
  if (name == "silent") {
    faults.silent = {texts.begin(), texts.end()};
  } else if (name == "busy_allip") {
    faults.busy_allip = std::stoi(value);
  } else if (name == "echo_password") {
    faults.echo_password = value == "true";
  } else if (name == "banner") {
    faults.banner = value;
  } else {
    bool known = false;
    for (auto [list, named] : {std::pair{&faults.drop_after_command, "drop_after_command"},
                               {&faults.refuse, "refuse"},
                               {&faults.busy, "busy"},
                               {&faults.unknown, "unknown"},
                               {&faults.refuse_confirmation, "refuse_confirmation"},
                               {&faults.endless_printout, "endless_printout"}}) {
      if (name == named) *list = texts, known = true;
    }
    if (!known) ADD_FAILURE() << "no fault " << name;
  }
}

// Where a script is played: the faults in force, the events said so far, and how a dialogue
// starts, answers and is looked at by the test's own checks ("?" lines; false: no such check).
struct Dialogue {
  Faults faults;
  std::vector<std::string> events;
  std::function<std::string()> start;
  std::function<std::string(const std::string&)> type;
  std::function<bool(const std::string&)> check;
  std::string line_end;  // after each typed line
};

// Plays the lines of a script, each "SIGN TEXT" with TEXT escaped as a session log's records
// are (\r, \n, \xHH, \\); blank lines and "#" comments aside:
//   <  (re)started         > typed, with the line end    >> bytes received as they are
//   =  the answer is TEXT  ^ it starts with TEXT  $ it ends with TEXT
//   +  it holds TEXT       - it does not
//   @  an event said so far holds TEXT   @- none does   @= the events are TEXT, " | " apart
//   !  a fault from here on ("name=value", see SetFault)
//   ?  a check of the test's own
inline void Play(const std::vector<std::string>& lines, Dialogue& dialogue) {
  using ::testing::Contains;
  using ::testing::EndsWith;
  using ::testing::HasSubstr;
  using ::testing::Not;
  using ::testing::StartsWith;
  std::string answer;
  for (std::size_t number = 0; number < lines.size(); ++number) {
    const std::string& line = lines[number];
    if (line.empty() || line.starts_with('#')) continue;
    SCOPED_TRACE("script line " + std::to_string(number + 1) + ": " + line);
    const std::string sign = line.substr(0, line.find(' '));
    const std::string text =
        UnescapeRecordText(sign.size() < line.size() ? line.substr(sign.size() + 1) : "");
    std::string events;
    for (const std::string& event : dialogue.events)
      events += (events.empty() ? "" : " | ") + event;
    if (sign == "<") {
      answer = dialogue.start();
    } else if (sign == ">" || sign == ">>") {
      answer = dialogue.type(sign == ">" ? text + dialogue.line_end : text);
    } else if (sign == "=") {
      EXPECT_EQ(answer, text);
    } else if (sign == "^") {
      EXPECT_THAT(answer, StartsWith(text));
    } else if (sign == "$") {
      EXPECT_THAT(answer, EndsWith(text));
    } else if (sign == "+") {
      EXPECT_THAT(answer, HasSubstr(text));
    } else if (sign == "-") {
      EXPECT_THAT(answer, Not(HasSubstr(text)));
    } else if (sign == "@") {
      EXPECT_THAT(dialogue.events, Contains(HasSubstr(text)));
    } else if (sign == "@-") {
      EXPECT_THAT(dialogue.events, Not(Contains(HasSubstr(text))));
    } else if (sign == "@=") {
      EXPECT_EQ(events, text);
    } else if (sign == "!") {
      SetFault(dialogue.faults, text);
    } else if (sign != "?" || !dialogue.check(text)) {
      ADD_FAILURE() << "not a script line";
    }
  }
}

// Everything said, pieces joined.
inline std::string Said(const std::vector<Output>& outputs) {
  std::string text;
  for (const Output& output : outputs) text += output.bytes;
  return text;
}

// The outputs of a conversation as "answer BYTES", "at once BYTES" or "secret BYTES" (the
// typed password echoed), " | " apart.
inline std::string Pieces(const std::vector<Output>& outputs) {
  std::string text;
  for (const Output& output : outputs) {
    text += std::string(text.empty() ? "" : " | ") +
            (output.secret   ? "secret "
             : output.answer ? "answer "
                             : "at once ") +
            output.bytes;
  }
  return text;
}

// A dialogue with a conversation made afresh by `make` at each "<"; the answer is everything
// said, joined. Its checks: "finished" or "open", "endless" or "ordinary", "pages N" (below),
// "masked TEXT" (the last bytes received as a transcript shows them), "terminal TEXT", "pieces
// TEXT" (see Pieces), "cuts TYPED | SHOWN" (below); others go to the dialogue's own check.
inline void PlayConversation(const std::vector<std::string>& lines, Dialogue& dialogue,
                             const std::function<std::unique_ptr<Conversation>()>& make) {
  std::unique_ptr<Conversation> conversation;
  std::vector<Output> last;
  const auto said = [&](std::vector<Output> outputs) {
    last = std::move(outputs);
    return Said(last);
  };
  const auto own = dialogue.check;
  dialogue.line_end = "\r\n";
  dialogue.start = [&] {
    conversation = make();
    return said(conversation->Start());
  };
  dialogue.type = [&](const std::string& bytes) { return said(conversation->Receive(bytes)); };
  dialogue.check = [&](const std::string& check) {
    const std::string rest = check.substr(std::min(check.find(' ') + 1, check.size()));
    if (check == "finished" || check == "open") {
      EXPECT_EQ(conversation->Finished(), check == "finished");
    } else if (check.starts_with("masked ")) {
      EXPECT_EQ(conversation->MaskedInput(), rest);
    } else if (check.starts_with("terminal ")) {
      EXPECT_EQ(conversation->TerminalType(), rest);
    } else if (check == "endless" || check == "ordinary") {
      EXPECT_EQ(conversation->Endless(), check == "endless");
    } else if (check.starts_with("pages ")) {
      // The next N pages of a printout without end: each the header and six lines (the
      // networks here have pages of 7 lines), so none grows; never an END or a prompt.
      for (int page = 0; page < std::stoi(rest) && !::testing::Test::HasFailure(); ++page) {
        const std::string more = conversation->More();
        EXPECT_THAT(more, ::testing::StartsWith("WO      BSC9"));
        EXPECT_EQ(std::count(more.begin(), more.end(), '\n'), 7);
        EXPECT_LT(more.size(), 7u * 80u);
        EXPECT_EQ(more.find_first_of("<"), std::string::npos);
        EXPECT_EQ(more.find("END"), std::string::npos);
      }
    } else if (check.starts_with("pieces ")) {
      EXPECT_EQ(Pieces(last), rest);
    } else if (check.starts_with("cuts ")) {
      // TYPED | SHOWN: TYPED received in three reads, cut at every two places, by sessions
      // made afresh, shows as SHOWN in a transcript for every cut, and gets to the prompt.
      const std::string typed = rest.substr(0, rest.find(" | ")),
                        shown = rest.substr(typed.size() + 3);
      for (std::size_t i = 0; i <= typed.size(); ++i) {
        for (std::size_t j = i; j <= typed.size(); ++j) {
          const std::unique_ptr<Conversation> cut = make();
          cut->Start();
          std::string masked, answers;
          for (const auto& [from, to] : {std::pair{std::size_t{0}, i}, {i, j}, {j, typed.size()}}) {
            answers += Said(cut->Receive(std::string_view(typed).substr(from, to - from)));
            masked += cut->MaskedInput();
          }
          EXPECT_EQ(masked, shown) << "cut at " << i << " and " << j;
          EXPECT_THAT(answers, ::testing::EndsWith("<")) << "cut at " << i << " and " << j;
          if (masked != shown) return true;
        }
      }
    } else {
      return own && own(check);
    }
    return true;
  };
  Play(lines, dialogue);
}

}  // namespace kestrel::sim::testing
