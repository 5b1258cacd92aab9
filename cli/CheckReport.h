// The rules of `harn check` and the forms of its report: text, JSON and SARIF 2.1.0.
#pragma once

#include "cli/FileChecks.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

struct Rule {
    const char* id;
    Severity severity;
    const char* summary; // one line, English
};

// Every rule `harn check` knows, in the order of docs/CHECKS.md.
const std::vector<Rule>& checkRules();
const Rule* findRule(const std::string& id);

struct CheckSummary {
    int objects = 0;
    int errors = 0;
    int warnings = 0;
};

void writeCheckText(std::ostream& out, const FindingList& findings, const CheckSummary& s);
void writeCheckJson(std::ostream& out, const FindingList& findings, const CheckSummary& s);
void writeCheckSarif(std::ostream& out, const FindingList& findings);

} // namespace cli
