#include "console/trace_log.h"

#include <nlohmann/json.hpp>

namespace roruvez {

namespace {

using Object = nlohmann::ordered_json;

}  // namespace

template <typename Json>
void TraceLog::write(const Json& object) {
    // Bytes that are not UTF-8 (a Linux name may hold any) become U+FFFD instead of an error.
    out_ << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    out_.flush();
}

void TraceLog::caption(Control label, const std::string& text) {
    write(Object{{"op", "caption"}, {"control", controlName(label)}, {"text", text}});
}

void TraceLog::back(Control label, int paletteIndex) {
    write(Object{{"op", "back"}, {"control", controlName(label)}, {"colour", paletteIndex}});
}

void TraceLog::log(const std::string& line) {
    write(Object{{"op", "log"}, {"text", line}});
}

void TraceLog::enable(Control control, bool on) {
    write(Object{{"op", "enable"}, {"control", controlName(control)}, {"on", on}});
}

void TraceLog::text(Control box, const std::string& text) {
    write(Object{{"op", "text"}, {"control", controlName(box)}, {"text", text}});
}

void TraceLog::msgbox(const std::string& prompt, const std::string& title, Buttons buttons,
                      Answer answer) {
    write(Object{{"op", "msgbox"},
                 {"prompt", prompt},
                 {"title", title},
                 {"buttons", buttonsName(buttons)},
                 {"answer", answerName(answer)}});
}

void TraceLog::pump() {
    write(Object{{"op", "pump"}});
}

}  // namespace roruvez
