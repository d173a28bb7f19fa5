#include "cfg_value.h"

CfgValue::CfgValue(const CfgValue& other)
    : kind(other.kind), text(other.text), number(other.number), exposed(other.exposed) {
    if (other.bytes.Array())
        bytes.CopyFrom(other.bytes.Array());
}

CfgValue& CfgValue::operator=(const CfgValue& other) {
    if (this != &other) {
        kind = other.kind;
        text = other.text;
        number = other.number;
        exposed = other.exposed;
        if (other.bytes.Array())
            bytes.CopyFrom(other.bytes.Array());
        else
            bytes.Release();
    }
    return *this;
}

void CfgValue::Reset() {
    text.Clear();
    bytes.Release();
    number = 0;
}
