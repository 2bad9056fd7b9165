#include "state/status_surface.h"

namespace roruvez {

const char* controlName(Control control) {
    switch (control) {
        case Control::Form1:
            return "Form1";
        case Control::Command1:
            return "Command1";
        case Control::Command2:
            return "Command2";
        case Control::Command3:
            return "Command3";
        case Control::Command5:
            return "Command5";
        case Control::Check1:
            return "Check1";
        case Control::Drive1:
            return "Drive1";
        case Control::Label2:
            return "Label2";
        case Control::Label3:
            return "Label3";
        case Control::Label5:
            return "Label5";
        case Control::Label7:
            return "Label7";
        case Control::Label8:
            return "Label8";
        case Control::Label9:
            return "Label9";
        case Control::Label10:
            return "Label10";
        case Control::Text1:
            return "Text1";
        case Control::Text2:
            return "Text2";
        case Control::Text3:
            return "Text3";
        case Control::Shape1:
            return "Shape1";
    }
    return "";
}

const char* buttonsName(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return "ok";
        case Buttons::OkCancel:
            return "okcancel";
        case Buttons::OkSkipCancel:
            return "okskipcancel";
    }
    return "?";
}

const char* answerName(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return "ok";
        case Answer::Cancel:
            return "cancel";
        case Answer::Skip:
            return "skip";
    }
    return "?";
}

}  // namespace roruvez
