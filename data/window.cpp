#include "data/window.h"

namespace sscm {

const char* ctlName(Ctl c) {
    switch (c) {
    case Ctl::Command1:
        return "Command1";
    case Ctl::Command4:
        return "Command4";
    case Ctl::Command5:
        return "Command5";
    case Ctl::Command6:
        return "Command6";
    case Ctl::Label11:
        return "Label11";
    case Ctl::Label14:
        return "Label14";
    case Ctl::Label18:
        return "Label18";
    case Ctl::List1:
        return "List1";
    case Ctl::List3:
        return "List3";
    case Ctl::Text1:
        return "Text1";
    case Ctl::Text2:
        return "Text2";
    case Ctl::Text3:
        return "Text3";
    case Ctl::Text4:
        return "Text4";
    case Ctl::Text5:
        return "Text5";
    case Ctl::Text6:
        return "Text6";
    case Ctl::Text7:
        return "Text7";
    case Ctl::Check1:
        return "Check1";
    case Ctl::Dir1:
        return "Dir1";
    }
    return "";
}

} // namespace sscm
