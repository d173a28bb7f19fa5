#pragma once
#include <stdio.h>

#include <string>
#include <vector>

#include "job_forwarder.h"

// A sink that writes each call it gets as one line, the way the recording core does:
// int_StartJob(printer,datatype,job,dpi,document), int_StartPage(w,h),
// int_Add(x0,y0,x1,y1,text,face), int_EndJob(). Code units outside ASCII read \uXXXX.
inline std::string Printable(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof(escape), "\\u%04X", static_cast<unsigned>(c));
            out += escape;
        }
    }
    return out;
}

class RecordingSink final : public CaptureSink {
public:
    void StartJob(const StartDocFields& doc) override {
        calls.push_back("int_StartJob(" + Printable(doc.printer) + "," + Printable(doc.datatype) +
                        "," + std::to_string(doc.job_id) + "," + std::to_string(doc.dpi) + "," +
                        Printable(doc.document) + ")");
    }
    void StartPage(const StartPageFields& page) override {
        calls.push_back("int_StartPage(" + std::to_string(page.width) + "," +
                        std::to_string(page.height) + ")");
    }
    void AddItem(const TextItemFields& item) override {
        calls.push_back("int_Add(" + std::to_string(item.x0) + "," + std::to_string(item.y0) + "," +
                        std::to_string(item.x1) + "," + std::to_string(item.y1) + "," +
                        Printable(item.text) + "," + Printable(item.face) + ")");
        items.push_back(item);
    }
    void EndJob() override { calls.push_back("int_EndJob()"); }

    std::vector<std::string> calls;
    std::vector<TextItemFields> items;
};
