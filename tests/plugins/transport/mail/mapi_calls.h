#pragma once
#include <map>
#include <string>
#include <vector>

// The calls that the recording MAPI double wrote down (see mapi_record.h), read back.
struct MapiCall {
    std::map<std::string, std::string> fields;

    bool Has(const std::string& key) const { return fields.count(key) != 0; }
    // A text field's bytes; "<null>" for a null pointer, "<missing>" when not recorded.
    std::string Text(const std::string& key) const;
    long long Number(const std::string& key) const;
};

std::vector<MapiCall> ReadMapiCalls(const std::wstring& recordPath);
