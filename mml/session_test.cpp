#include "mml/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "sim/session_log.h"
#include "tests/fake_telnet.h"
#include "tests/test_data.h"

namespace kestrel::mml {
namespace {

// The sessions of tests/data/mml/sessions.txt, each played whole and cut into single bytes.
TEST(Session, Scripts) {
  const auto sections = kestrel::testing::TestDataSections("mml/sessions.txt");
  ASSERT_EQ(sections.size(), 21u);
  for (const auto& [name, section] : sections) {
    for (const std::size_t cut : {std::string::npos, std::size_t{1}}) {
      SCOPED_TRACE(name + (cut == 1 ? ", byte by byte" : ", whole"));
      testing::FakeTelnetClient telnet;
      PropertiesForm form;
      form.UserEdit.SetText("ops1");
      form.PasswordEdit.SetText("s3cret");
      controls::Memo buffer, log;
      bool attached = false, attached_in_the_end = false;
      std::string step, element = "BSC9", refused, refused_in_the_end;
      std::vector<std::string> sent;
      auto session = std::make_unique<Session>(telnet, buffer, &log, attached, step, form);
      session->Connect();
      Received got;  // by the last text received, over all its chunks
      using Text = const std::string&;
      const std::vector<std::pair<std::string, std::function<void(Text)>>> steps = {
          {"password", [&](Text text) { form.PasswordEdit.SetText(text); }},
          {"element", [&](Text text) { element = text; }},
          {"site",
           [&](Text) {
             form.Prompts = {"LOGIN:", "PASSWD:", "ELEMENT?", "READY>"};
           }},
          {"direct", [&](Text) { telnet.Direct = true; }},
          {"transport login", [&](Text) { telnet.TransportLogin = true; }},
          {"text style",
           [&](Text) {
             session = std::make_unique<Session>(telnet, buffer, &log, attached, step, form,
                                                 Session::LogStyle::kText);
           }},
          {"cap", [&](Text text) { session->SetMaxPrintout(std::stoul(text)); }},
          {"step is", [&](Text text) { EXPECT_EQ(step, text); }},
          {"step", [&](Text text) { step = text; }},
          {"recv",
           [&](Text text) {
             if (got.overflow) return;
             got = {};
             for (std::size_t from = 0; from < text.size() && !got.overflow; from += cut) {
               Received chunk = session->Receive(std::string_view(text).substr(from, cut), element);
               got.element_missing |= chunk.element_missing;
               got.attached_now |= chunk.attached_now;
               got.overflow = chunk.overflow;
               if (chunk.refused) refused = *chunk.refused;
             }
           }},
          {"reconnect",
           [&](Text) {
             telnet.Disconnect();
             session->Connect();
             refused.clear();
           }},
          {"send", [&](Text text) { session->Send(text); }},
          {"buffer+", [&](Text text) { buffer.Append(text); }},
          {"buffer within",
           [&](Text text) {
             EXPECT_LE(buffer.Text().size() + 8 * buffer.LineCount(), std::stoul(text));
           }},
          {"buffer", [&](Text text) { EXPECT_EQ(buffer.Text(), text); }},
          {"log lines",
           [&](Text text) { EXPECT_EQ(kestrel::testing::SplitAt(text, " | "), log.Lines()); }},
          {"log",
           [&](Text text) {
             if (cut != 1) {
               EXPECT_EQ(log.Text(), text);
             }
           }},
          {"missing", [&](Text text) { EXPECT_EQ(got.element_missing, text == "yes"); }},
          {"attached now", [&](Text) { EXPECT_TRUE(got.attached_now); }},
          {"overflow", [&](Text text) { EXPECT_EQ(got.overflow.value_or(""), text); }},
          {"refusing", [&](Text text) { EXPECT_EQ(session->LoginRefused(), text == "yes"); }},
          {"sent", [&](Text text) { sent.push_back(text); }},
          {"attached", [&](Text) { attached_in_the_end = true; }},
          {"refused", [&](Text text) { refused_in_the_end = text; }},
      };
      for (const std::string& line : kestrel::testing::SplitAt(section, "\r\n")) {
        if (line.empty() || line.starts_with('#')) continue;
        SCOPED_TRACE(line);
        const auto entry = std::find_if(steps.begin(), steps.end(), [&](const auto& row) {
          return line.starts_with(row.first);
        });
        ASSERT_NE(entry, steps.end());
        entry->second(
            sim::UnescapeRecordText(line.substr(std::min(entry->first.size() + 1, line.size()))));
      }
      EXPECT_EQ(telnet.Sent(), sent);
      EXPECT_EQ(attached, attached_in_the_end);
      EXPECT_EQ(refused, refused_in_the_end);
      EXPECT_EQ(session->LoginRefused(), !refused_in_the_end.empty());
    }
  }
}

}  // namespace
}  // namespace kestrel::mml
