#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The core that the relay's tests run against, so that the same tests can run against the
// recording core now and the real core later. Set up and torn down around each test; it
// runs as its own process, registered under the core's class id, for as long as the test
// holds it, and is ended and unregistered afterwards.
class CoreUnderTest {
public:
    virtual ~CoreUnderTest() = default;
    // Registers the core and starts it; false (with a message) when that failed.
    virtual bool Start(std::string* why) = 0;
    // Ends the core (a hanging one is killed: false) and removes its registration.
    virtual bool End() = 0;
    // The capture calls it received since the last Forget, in order, one line each:
    // int_StartJob(printer,datatype,job,dpi,document), int_StartPage(w,h),
    // int_Add(x0,y0,x1,y1,text,face), int_EndJob(), strings as RecordedText shows them.
    virtual std::vector<std::string> Calls() = 0;
    virtual void Forget() = 0;
    // Whether int_StartJob for kFakeEngineRefusedPrinter fails.
    virtual bool RefusesUnknownPrinter() const = 0;
};

struct CoreKind {
    const char* name;
    std::unique_ptr<CoreUnderTest> (*make)();
};

// The core program over the fake engine, which writes each call to its call file.
std::unique_ptr<CoreUnderTest> MakeRecordingCore();
