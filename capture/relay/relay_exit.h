#pragma once

// The relay's exit codes: 0 only for a job delivered to the core, one code for each way a
// job can fail, so that a failure is visible to whoever started the relay.
enum RelayExit : int {
    kRelayDelivered = 0,
    kRelayNoJobId = 1,        // the command line is empty
    kRelayPipeFailed = 2,     // the job's pipe could not be created (its name was taken)
    kRelayNotConnected = 3,   // the rendering module's connection failed
    kRelayTimedOut = 4,       // no message arrived within PrintTimeout
    kRelayReadFailed = 5,     // the pipe failed or closed before EndDoc
    kRelayBadMessage = 6,     // a message whose length or fields are wrong
    kRelayOutOfOrder = 7,     // a message the order of a job does not allow there
    kRelayUnknownCommand = 8, // a command other than 1 to 4
    kRelayNoCore = 9,         // the core could not be bound: the job was read and dropped
    kRelayCoreFailed = 10,    // the core refused one of the job's calls
    kRelayMutexFailed = 11,   // the relays' mutex could not be made or waited for
};
