#include "test_printers.h"

OwnPrinter::OwnPrinter(const std::wstring& name) : name_(name), result_(AddOwnPrinter(name)) {}

OwnPrinter::~OwnPrinter() {
    RemoveOwnPrinter(name_);
}
