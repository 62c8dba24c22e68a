#pragma once
// The JNI warnings that a test fails on: what -Xcheck:jni reported about calls made from outside.

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "text_lines.h"

namespace mv::test {

// The report log escapes its text as XML does.
inline std::string Unescaped(std::string line) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}, {"&amp;", '&'}};
    for (const auto& [entity, c] : kEntities)
        for (std::size_t at; (at = line.find(entity)) != std::string::npos;) line.replace(at, std::strlen(entity), 1, c);
    return line;
}

// The -Xcheck:jni reports in JVM output or a JVM report log (-XX:+LogVMOutput), each with its first
// stack line: the next "\tat" line of the same writer (<writer thread='n'/>; plain output has one
// writer), whatever was written between. A report whose first frame is a JDK module's native method
// ("(java.desktop@17.0.15/Native Method)", the font scaler's, say) is the JDK's own and left out.
inline std::vector<std::string> FindJniWarnings(const std::string& output) {
    static const char* const kMarkers[] = {"WARNING in native method", "WARNING: JNI local refs",
                                           "FATAL ERROR in native method"};
    std::vector<std::pair<std::string, bool>> reports;  // the text, whether a JDK module's own
    std::map<std::string, std::size_t> unframed;  // writer -> its last report still without a stack line
    std::string writer;
    for (const std::string& raw : SplitLines(output)) {
        if (raw.rfind("<writer thread='", 0) == 0) {
            writer = raw;
            continue;
        }
        const std::string line = Unescaped(raw);
        if (std::any_of(std::begin(kMarkers), std::end(kMarkers), [&](const char* m) { return line.find(m) != std::string::npos; })) {
            unframed[writer] = reports.size();
            reports.push_back({line, false});
        } else if (line.rfind("\tat ", 0) == 0 && unframed.count(writer) != 0) {
            auto& [text, jdk] = reports[unframed[writer]];
            unframed.erase(writer);
            text += "\n" + line;
            const std::size_t open = line.rfind('(');  // "(java.desktop@17.0.15/Native Method)"
            jdk = open != std::string::npos && line.find('@', open) != std::string::npos && line.size() >= 15 &&
                  line.compare(line.size() - 15, 15, "/Native Method)") == 0;
        }
    }
    std::vector<std::string> warnings;
    for (const auto& [text, jdk] : reports)
        if (!jdk) warnings.push_back(text);
    return warnings;
}

}  // namespace mv::test
