#pragma once

#include <ostream>
#include <string>

#include "state/status_surface.h"

namespace roruvez {

// Every operation on the surface as one JSON object per line, in order, flushed as written so
// that a trace survives a job that is killed.
class TraceLog {
  public:
    explicit TraceLog(std::ostream& out) : out_(out) {}

    void caption(Control label, const std::string& text);
    void back(Control label, int paletteIndex);
    void log(const std::string& line);
    void enable(Control control, bool on);
    void text(Control box, const std::string& text);
    void msgbox(const std::string& prompt, const std::string& title, Buttons buttons,
                Answer answer);
    void pump();

  private:
    template <typename Json>
    void write(const Json& object);

    std::ostream& out_;
};

}  // namespace roruvez
