#pragma once

#include "net/httpclient.h"

namespace marlune::net {

// What the status panel says when a request of that command fails ("HTTP GET
// Failed"); null for the commands that have no such text.
const char* HttpFailureText(CmdType cmd);

} // namespace marlune::net
