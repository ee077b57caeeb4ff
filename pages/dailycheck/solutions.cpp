// The automatic solutions: alarm slogans that the engineers always answer with the same
// commands, queued while the alarm list is scanned, and the follow-up for each software
// error event that a queued command's printout names. Fields are cut by character position
// and used as cut, blanks included, unless trimmed below.
#include "mml/columns.h"
#include "mml/shapes.h"
#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

namespace {
constexpr std::string_view kRelease = "\x04";

// `width` characters from `pos`, blanks included; whether it may go into an order is for its
// shape to tell.
std::string Field(std::string_view line, std::size_t pos, std::size_t width) {
  return std::string(mml::Cut(line, pos, width));
}

// Where `text` starts in `line`, or 0 (the start of the line) when it is not there.
std::size_t PositionOr0(std::string_view line, std::string_view text) {
  const std::size_t pos = line.find(text);
  return pos == std::string_view::npos ? 0 : pos;
}
}  // namespace

void DailyCheckPage::Queue(std::string_view entry) { Memokom.AddLine(entry); }

void DailyCheckPage::NotQueued(std::string_view what, std::string_view value,
                               std::string_view shape) {
  Problem(visit_.element + ": " + std::string(what) + " not queued: \"" + mml::Printable(value) +
          "\" is not " + std::string(shape));
}

void DailyCheckPage::SolutionRules(std::size_t i) {
  const std::string_view line = Memobufdc.Line(i);
  const std::string_view second = Memobufdc.Line(mml::RowBelow(Memobufdc, i, 2));
  const std::string_view third = Memobufdc.Line(mml::RowBelow(Memobufdc, i, 3));
  const std::string& element = visit_.element;
  const platform::LocalDateTime now = clock_.Now();
  const std::string time = TimeOfDay(now);
  // The alarm each report line stands for: the slogan line is the one the rule fired on.
  auto solution = [&](const std::string& report_line) {
    Found("solution", AlarmClassAbove(i), std::string(mml::Trim(mml::Cut(line, 0, 100))),
          report_line, now);
  };

  if (SeqarCheckBox.Checked()) {
    if (const auto p = line.find("SEIZURE QUALITY SUPERVISION"); p != std::string_view::npos) {
      const std::string route = Field(third, p, 10);  // untrimmed: the exchange pads it
      if (!mml::IsRouteName(route)) {
        NotQueued("SEQAR", route, "a route name");
      } else {
        Queue("SEQAR:R=" + route + ";");
        solution(element + ": SEQAR:R=" + route + "; " + time);
      }
    }
  }
  if (SetarCheckBox.Checked()) {
    if (const auto p = line.find("SEIZURE SUPERVISION");
        p != std::string_view::npos && mml::Trim(mml::Cut(line, p, 80)) == "SEIZURE SUPERVISION") {
      Queue("SETAR;");
      solution(element + ": SETAR; " + time);
    }
  }
  if (SoftErrorCheckBox.Checked() &&
      line.find("APPLICATION DETECTED SOFTWARE ERROR") != std::string_view::npos) {
    Queue("SYRIP:SURVEY;");
    Queue(kRelease);
  }
  if (PermanentCheckBox.Checked() && line.find("PERMANENT FAULT") != std::string_view::npos) {
    const std::string object = Field(line, 6, 4);  // columns 7 to 10
    if (!mml::IsNumber(object, 4)) {
      NotQueued("RXBLI and RXBLE of RXOCF", object, "an object number");
    } else {
      for (const std::string& entry :
           {"RXBLI:MO=RXOCF-" + object + ";", std::string(";"), std::string(kRelease),
            "RXBLE:MO=RXOCF-" + object + ";", std::string(";"), std::string(kRelease)}) {
        Queue(entry);
      }
      solution(element + ": Permanent: MO=" + mml::Printable(Field(line, 0, 11)) + " " + time);
    }
  }
  if (NearendCheckBox.Checked() && line.find("NEAR END") != std::string_view::npos) {
    const std::string sdip = Field(third, PositionOr0(second, "SDIP "), 7);
    const std::string layer = Field(third, PositionOr0(second, "LAYER "), 7);
    const std::string path = "SDIP=" + sdip + ",LP=" + layer + ";";
    if (!mml::IsPathName(sdip)) {
      NotQueued("TPBLI and TPBLE", sdip, "an SDIP name");
    } else if (!mml::IsPathName(layer)) {
      NotQueued("TPBLI and TPBLE", layer, "a layer path name");
    } else {
      // Block, deblock, and block again; the deblock needs no confirmation.
      for (const std::string& entry :
           {"TPBLI:" + path, std::string(";"), std::string(kRelease), "TPBLE:" + path,
            std::string(kRelease), "TPBLI:" + path, std::string(";"), std::string(kRelease)}) {
        Queue(entry);
      }
      solution(element + ": SYNCHRONOUS DIGITAL PATH UNAVAILABLE STATE FAULT: SDIP=" + sdip +
               ",LP=" + layer + " " + time);
    }
  }
  if (EnumCheckBox.Checked()) {
    if (const auto p = line.find("CCITT7 EVENT REPORTING THRESHOLD REACHED");
        p != std::string_view::npos) {
      const std::string number = Field(second, p, 4);
      if (!mml::IsNumber(number, 4)) {
        NotQueued("C7ERR", number, "an ENUM number");
      } else {
        Queue("C7ERR:ENUM=" + number + ";");
        solution(element + ": C7ERR:ENUM=" + number + "; " + time);
      }
    }
  }
  if (SaeCheckBox.Checked() &&
      line.find("SIZE ALTERATION OF DATA FILES SIZE") != std::string_view::npos) {
    for (std::string_view entry : {std::string_view("DBTSP:TAB=SAACTIONS;"),
                                   std::string_view("SAALI;"), std::string_view(";"), kRelease}) {
      Queue(entry);
    }
    solution(element + ": SAE " + time);
  }
}

void DailyCheckPage::EventCodeRule(std::size_t j) {
  const auto p = Memobufdc.Line(j).find("EVENT CODE");
  if (p == std::string_view::npos) return;
  const std::string event(
      mml::Trim(mml::Cut(Memobufdc.Line(mml::RowBelow(Memobufdc, j, 1)), p, 6)));
  if (!mml::IsEventCode(event)) {
    NotQueued("SYRAE", event, "an event code");
    return;
  }
  Queue("SYRAE:EVENT=" + event + ";");
  Queue(";");
  Queue(kRelease);
  const platform::LocalDateTime now = clock_.Now();
  Found("solution", "", "",
        visit_.element + ": SOFTWARE ERROR, EVET=" + event + " " + TimeOfDay(now), now);
}

}  // namespace kestrel::dailycheck
