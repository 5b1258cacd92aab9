// The version of the tunnel, bolt and drainage files: the current version text and the rule
// by which files of other versions are accepted.
#pragma once

namespace tunnelfile {

// The version text written into new files ("1.5", the project database's).
const char* currentVersion();

// Whether a file whose version text reads as `version` is accepted: its integer part is at
// least the current one and it is not newer; or it lies within 0.16 of the current one; or
// the current integer part is 1 and the file is at least 0.94.
bool versionAccepted(double version);

// Files below this version keep a double at offset 100 of their records (tval3); from it on
// six small integers (tflagg), and Save keeps the counters of kinds 9 and 10.
constexpr double kFlagVersion = 1.19;

} // namespace tunnelfile
