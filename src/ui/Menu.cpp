#include "ui/Menu.h"

namespace talvoro {

const char* nameOf(MenuName name) {
    switch (name) {
        case MenuName::mnupopup1:
            return "mnupopup1";
        case MenuName::mnuopen:
            return "mnuopen";
        case MenuName::mnusave:
            return "mnusave";
        case MenuName::sp1:
            return "sp1";
        case MenuName::mnupales:
            return "mnupales";
        case MenuName::mnudeleteall:
            return "mnudeleteall";
        case MenuName::sp2:
            return "sp2";
        case MenuName::mnuadddata:
            return "mnuadddata";
        case MenuName::mnutd:
            return "mnutd";
        case MenuName::sp3:
            return "sp3";
        case MenuName::mnuvoice:
            return "mnuvoice";
        case MenuName::mnustop:
            return "mnustop";
        case MenuName::mnupause:
            return "mnupause";
        case MenuName::sp20:
            return "sp20";
        case MenuName::mnuvoicetype:
            return "mnuvoicetype";
        case MenuName::mnumru:
            return "mnumru";
        case MenuName::mnuyst:
            return "mnuyst";
        case MenuName::mnuys:
            return "mnuys";
        case MenuName::mnuylT:
            return "mnuylT";
        case MenuName::mnuyl:
            return "mnuyl";
        case MenuName::sp4:
            return "sp4";
        case MenuName::mnuhelp:
            return "mnuhelp";
        case MenuName::mnuabout:
            return "mnuabout";
        case MenuName::sp5:
            return "sp5";
        case MenuName::mnuexit:
            return "mnuexit";
    }
    return "?";
}

}  // namespace talvoro
