#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "printer_enum.h"
#include "test_printers.h"

namespace {

bool Listed(const std::vector<PrinterEntry>& printers, const std::wstring& name,
            PrinterEntry* found) {
    for (const PrinterEntry& printer : printers) {
        if (printer.name == name) {
            *found = printer;
            return true;
        }
    }
    return false;
}

TEST(PrinterSetup, AddsAndRemovesTheProductsPrinter) {
    const std::wstring name = L"Quorvane Setup Check";
    {
        OwnPrinter printer(name);
        ASSERT_EQ(printer.Result(), S_OK);
        std::vector<PrinterEntry> printers;
        ASSERT_EQ(EnumerateSystemPrinters(&printers), S_OK);
        PrinterEntry found;
        ASSERT_TRUE(Listed(printers, name, &found));
        EXPECT_EQ(found.driver, kOwnPrinterDriver);
        EXPECT_TRUE(found.local);
    }
    std::vector<PrinterEntry> printers;
    ASSERT_EQ(EnumerateSystemPrinters(&printers), S_OK);
    PrinterEntry found;
    EXPECT_FALSE(Listed(printers, name, &found));
}

TEST(PrinterChoice, PicksOwnPrintersAndPrefersTheProductName) {
    struct Row {
        const char* row;
        std::vector<PrinterEntry> printers;
        std::wstring current;
        std::vector<std::wstring> own;
        std::wstring chosen;
    };
    const PrinterEntry other{L"Office", L"Some Driver", true};
    const PrinterEntry first{L"Lettrix A", kOwnPrinterDriver, true};
    const PrinterEntry preferred{kPreferredOwnPrinter, kOwnPrinterDriver, true};
    const PrinterEntry remote{L"Remote Lettrix", kOwnPrinterDriver, false};
    const PrinterEntry caseDiffers{L"Lettrix B", L"quorvanelettrix", true};
    const PrinterEntry second{L"Lettrix C", kOwnPrinterDriver, true};
    const Row rows[] = {
        {"none of ours", {other}, L"", {}, L""},
        {"first own printer", {other, first}, L"", {L"Lettrix A"}, L"Lettrix A"},
        {"preferred wins after",
         {first, preferred},
         L"",
         {L"Lettrix A", kPreferredOwnPrinter},
         kPreferredOwnPrinter},
        {"preferred wins before",
         {preferred, first},
         L"",
         {kPreferredOwnPrinter, L"Lettrix A"},
         kPreferredOwnPrinter},
        {"current kept while it is ours",
         {first, second},
         L"Lettrix C",
         {L"Lettrix A", L"Lettrix C"},
         L"Lettrix C"},
        {"current gone, chosen as at a first start",
         {first},
         L"Gone",
         {L"Lettrix A"},
         L"Lettrix A"},
        {"current no longer ours", {other, first}, L"Office", {L"Lettrix A"}, L"Lettrix A"},
        {"preferred wins over a current one",
         {second, preferred},
         L"Lettrix C",
         {L"Lettrix C", kPreferredOwnPrinter},
         kPreferredOwnPrinter},
        {"remote and case ignored", {remote, caseDiffers}, L"", {}, L""},
    };
    for (const Row& r : rows) {
        PrinterChoice choice = ChooseOwnPrinters(r.printers, r.current);
        EXPECT_EQ(choice.own, r.own) << r.row;
        EXPECT_EQ(choice.current, r.chosen) << r.row;
        EXPECT_EQ(choice.system.size(), r.printers.size()) << r.row;
    }
}

} // namespace
