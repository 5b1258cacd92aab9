#include "cli/CheckReport.h"

#include "cli/Cli.h"
#include "cli/Json.h"

#include <cctype>
#include <ostream>

namespace cli {

namespace {

const char* severityName(Severity s) {
    return s == Severity::Error ? "error" : "warning";
}

// "FILE:LINE", "FILE" or "-".
std::string where(const Finding& f) {
    if (f.file.empty())
        return "-";
    return f.line ? f.file + ":" + std::to_string(f.line) : f.file;
}

// A POSIX path as a file URI: bytes outside the unreserved set and "/" percent-encoded.
std::string fileUri(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            out += static_cast<char>(c);
        else
            out += std::string("%") + hex[c >> 4] + hex[c & 15];
    }
    return out;
}

} // namespace

const std::vector<Rule>& checkRules() {
    using S = Severity;
    static const std::vector<Rule> rules = {
        {"database-read", S::Error, "the library reported a fault while reading the database"},
        {"head-count", S::Error, "the head's count of a type differs from the records"},
        {"head-end", S::Error, "the head's end offset is not a slot boundary"},
        {"head-freed", S::Warning, "freed slots not yet packed away"},
        {"record-type", S::Error, "a record of an unknown object type"},
        {"record-id-case", S::Error, "an identifier not in upper case"},
        {"record-id-duplicate", S::Error, "an identifier used by two objects of one type"},
        {"record-no-file", S::Error, "an object with data files but no file name"},
        {"record-file-duplicate", S::Error, "a file name used by two objects of one type"},
        {"file-missing", S::Error, "a data file of an object is missing"},
        {"file-unreadable", S::Error, "a data file that is there but cannot be read"},
        {"section-library", S::Error, "the cross-section type library TVTYP.LIS cannot be read"},
        {"section-outline-missing", S::Warning, "a cross-section type without its outline file"},
        {"section-outline", S::Error, "an outline file of a cross-section type cannot be read"},
        {"tunnel-read", S::Error, "a tunnel database (.ODB) cannot be read"},
        {"tunnel-count", S::Error,
         "the head's counts of a tunnel database differ from its records"},
        {"tunnel-alignment", S::Warning,
         "a tunnel whose text names no alignment, or one not in the database"},
        {"tunnel-alignment-file", S::Error,
         "the alignment file of a tunnel is missing or unreadable"},
        {"tunnel-chainage", S::Warning, "a tunnel position outside its alignment's chainages"},
        {"tunnel-positions", S::Warning, "a tunnel without positions"},
        {"tunnel-section-type", S::Error,
         "a tunnel position whose cross-section type is not in TVTYP.LIS"},
        {"alignment-file-missing", S::Warning, "an alignment without its geometry file"},
        {"alignment-file", S::Error, "an alignment file the reader refuses"},
        {"borehole-flag", S::Error,
         "a method flag of the record and the blocks of the file differ"},
        {"borehole-head", S::Error, "the head block of a borehole file is missing or unreadable"},
        {"borehole-line", S::Error, "a line of a method block does not start with a number"},
        {"survey-line", S::Error, "a line of a deviation survey without four numbers"},
        {"line-head", S::Error, "the head block of a line file is short or unreadable"},
        {"line-blocks", S::Error, "the head block of a line file is not ended by '*'"},
        {"line-point", S::Error, "a point line of a line file without four numbers"},
        {"line-column", S::Error,
         "a column value that is not a number, or more values than points"},
        {"outcrop-head", S::Error,
         "the lead or head block of an outcrop file is missing or unreadable"},
        {"outcrop-point", S::Error, "a point of an outcrop file without x, y and z"},
        {"code-blocks", S::Error,
         "the code list lacks the '*' lines of its rock and infill blocks"},
        {"code-line", S::Error, "an unreadable line in the code list"},
        {"code-value", S::Warning,
         "a value of the code list outside its range (read as the default)"},
        {"code-unknown", S::Warning, "a soil code of a line file that is not in the soil table"},
        {"bolt-drain-file", S::Error,
         "a bolt or drainage file whose head, version or end offset is damaged"},
        {"library-head", S::Error, "a library file shorter than its head"},
        {"library-version", S::Error, "a library file of an unsupported version"},
        {"library-end", S::Error,
         "the head's end offset of a library file does not fit its records"},
        {"library-count", S::Error,
         "the head's record count of a library file differs from its records"},
        {"library-freed", S::Warning, "the head's count of freed library records differs"},
    };
    return rules;
}

const Rule* findRule(const std::string& id) {
    for (const Rule& r : checkRules())
        if (id == r.id)
            return &r;
    return nullptr;
}

void writeCheckText(std::ostream& out, const FindingList& findings, const CheckSummary& s) {
    for (const Finding& f : findings.all())
        out << severityName(f.severity) << (f.severity == Severity::Error ? "    " : "  ") << f.rule
            << "  " << (f.object.empty() ? "-" : escapeControls(f.object)) << "  " << where(f)
            << ": " << escapeControls(f.message) << "\n";
    out << s.objects << " objects checked: " << s.errors << " errors, " << s.warnings
        << " warnings\n";
}

void writeCheckJson(std::ostream& out, const FindingList& findings, const CheckSummary& s) {
    JsonWriter w(out);
    w.beginObject().key("objects").value(s.objects).key("errors").value(s.errors);
    w.key("warnings").value(s.warnings).key("findings").beginArray();
    for (const Finding& f : findings.all()) {
        w.beginObject().key("rule").value(f.rule);
        w.key("severity").value(severityName(f.severity));
        w.key("object").value(f.object).key("file").value(f.file);
        w.key("line").value(f.line).key("message").value(f.message).endObject();
    }
    w.endArray().endObject().finish();
}

void writeCheckSarif(std::ostream& out, const FindingList& findings) {
    JsonWriter w(out);
    w.beginObject();
    w.key("$schema").value("https://json.schemastore.org/sarif-2.1.0.json");
    w.key("version").value("2.1.0");
    w.key("runs").beginArray().beginObject();
    w.key("tool").beginObject().key("driver").beginObject();
    w.key("name").value("harn check").key("informationUri").value("docs/CHECKS.md");
    w.key("rules").beginArray();
    for (const Rule& r : checkRules()) {
        w.beginObject().key("id").value(r.id);
        w.key("shortDescription").beginObject().key("text").value(r.summary).endObject();
        w.key("defaultConfiguration").beginObject().key("level").value(severityName(r.severity));
        w.endObject().endObject();
    }
    w.endArray().endObject().endObject();
    w.key("results").beginArray();
    for (const Finding& f : findings.all()) {
        w.beginObject().key("ruleId").value(f.rule);
        w.key("level").value(severityName(f.severity));
        w.key("message").beginObject().key("text").value(
            f.object.empty() ? f.message : f.object + ": " + f.message);
        w.endObject();
        if (!f.file.empty()) {
            w.key("locations").beginArray().beginObject().key("physicalLocation").beginObject();
            w.key("artifactLocation").beginObject().key("uri").value(fileUri(f.file));
            w.endObject();
            if (f.line)
                w.key("region").beginObject().key("startLine").value(f.line).endObject();
            w.endObject().endObject().endArray();
        }
        w.endObject();
    }
    w.endArray().endObject().endArray().endObject().finish();
}

} // namespace cli
