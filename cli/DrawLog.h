// Strip logs of boreholes for `harn draw DIR ID...` and the report: each logged quantity of
// the core log, the registered drilling and the water-loss tests in its own column against
// the depth along the hole; several holes side by side on one depth scale.
#pragma once

#include <string>
#include <vector>

class CHarnDbs;
class CProjPath;

namespace cli {

struct Command;

// True when the arguments of `harn draw` ask for logs (--ids, or identifiers after DIR).
bool isLogRequest(const std::vector<std::string>& args);

// harn draw DIR ID [ID...] [--ids A,B,...] [-o FILE.svg|FILE.png]
int runDrawLogs(const Command& cmd, std::vector<std::string> args);

// The SVG of the logs of the boreholes `ids` (UTF-8) of the loaded database. False, with
// `error` set, when an identifier is not a borehole of the database. With `failAs` (a command's
// name), a borehole file that is missing, cannot be read or is damaged is also said on
// standard error and fails that command; without it, it shows in the log only (the report).
bool drawLogs(CHarnDbs& dbs, CProjPath& proj, const std::vector<std::string>& ids, std::string& svg,
              std::string& error, const char* failAs = nullptr);

// "#rrggbb" of a colour number of the code list (1-255, the usual CAD colour index);
// other numbers give a neutral grey.
std::string codeColour(int index);

} // namespace cli
