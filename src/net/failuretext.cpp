#include "net/failuretext.h"

namespace marlune::net {

const char* HttpFailureText(CmdType cmd)
{
    switch (cmd) {
    case CmdGet:
        return "HTTP GET Failed";
    case CmdOptions:
        return "HTTP OPTIONS Failed";
    case CmdHead:
        return "HTTP HEAD Failed";
    case CmdPost:
        return "HTTP Post Failed";
    case CmdPut:
        return "HTTP PUT Failed";
    case CmdDelete:
        return "HTTP Delete Failed";
    case CmdTrace:
        return "HTTP TRACE Failed";
    case CmdPatch:
    case CmdCopy:
    case CmdMove:
    case CmdLink:
    case CmdUnlink:
        break;
    }
    return nullptr;
}

} // namespace marlune::net
