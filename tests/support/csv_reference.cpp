#include "support/csv_reference.h"

#include "support/reference_model.h"
#include "frame/module.h"

namespace reference {

void splitCSVLine(std::string& text)
{
    const std::size_t n = text.size();
    const std::string copy = text + ",";
    text.clear();
    std::size_t s = 0, i = 0;
    bool flag = false;
    while (i <= n) {
        const char b = copy[i];
        if (testing_support::isLeadByte(static_cast<unsigned char>(b))) {
            i += 2;
        } else if (b == '"' && flag) {
            if (copy[i + 1] == '"') {
                i += 2;
            } else {
                if (copy[i + 1] == ',') flag = false;
                i += 1;
            }
        } else if (b == '"') {
            if (i == s) flag = true;
            i += 1;
        } else if (b == ',' && !flag) {
            text += "\n";
            if (i > s) text += copy.substr(s, i - s);
            s = i + 1;
            i += 1;
        } else {
            i += 1;
        }
    }
    if (!text.empty()) text.erase(0, 1);
    if (n > 0 && copy[n - 1] == ',') text += "\n";
}

std::string librarySplit(const std::string& record, bool* loneLead)
{
    const bool lone = isTrailByteAt(record, static_cast<long long>(record.size()));
    if (loneLead) *loneLead = lone;
    std::string split = record;
    if (!lone) {
        splitCSVLine(split);
        return split;
    }
    // Split it with an ordinary byte of two values in place of the lead
    // byte: where the two differ, the last field was emitted and ends with it.
    std::string other = record;
    split.back() = 'x';
    other.back() = 'y';
    splitCSVLine(split);
    splitCSVLine(other);
    if (split != other) split.back() = record.back();
    return split;
}

std::string csvTableText(const std::list<std::string>& records)
{
    std::string head = "[csvinfo]\n", body;
    head += "line=" + std::to_string(records.size()) + "\n";
    int k = 0;
    for (const std::string& record : records) {
        body += "\n[" + std::to_string(k) + "]";
        std::string copy = record;
        int r = 0;
        {
            // formatNumberedList with an empty title, no file, unquoting.
            std::string counted = copy;
            while (!counted.empty()) {
                takeToken(counted, "\n");
                ++r;
            }
            copy = formatNumberedList("", copy, true);
        }
        body += copy;
        head += std::to_string(k) + "=" + std::to_string(r - 1) + "\n";
        ++k;
    }
    return head + body;
}

std::string csvElementText(const std::list<std::string>& records, const std::string& section,
                           int keyField, int valueField)
{
    std::string out = "[";
    int running = 0;
    out += section + "]\n";
    for (const std::string& record : records) {
        std::string copy = record;
        std::string entry = "=\"\"";
        int i = 0;
        while (!copy.empty()) {
            ++i;
            std::string field = takeToken(copy, "\n");
            if (i == keyField) {
                unquoteField(field);
                entry.insert(0, field);
            } else if (i == valueField) {
                unquoteField(field);
                entry.insert(entry.size() - 1, field);
            }
        }
        if (keyField <= 0) entry.insert(0, std::to_string(running));
        ++running;
        out += entry + "\n";
    }
    return out;
}

}  // namespace reference
