#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "handle.h"
#include "srw_lock.h"

// The count of connected user interfaces (IQLX::UILoaded), never below 0. Each share is kept
// with the process that put it when that process is known, so that the shares of a user
// interface that ended without disconnecting (a crash) are dropped when its process ends:
// otherwise no user interface would ever be started again for the jobs that wait for one.
class UiConnections {
public:
    class Owner {
    public:
        // The process ended holding `dropped` shares, which are gone; `remaining` is the count
        // now. Called on a thread of the system's pool, with no lock of this object held.
        virtual void OnUiProcessEnded(DWORD pid, LONG dropped, LONG remaining) noexcept = 0;

    protected:
        ~Owner() = default;
    };

    explicit UiConnections(Owner& owner) noexcept : owner_(owner) {}
    ~UiConnections() { Shutdown(); }
    UiConnections(const UiConnections&) = delete;
    UiConnections& operator=(const UiConnections&) = delete;

    LONG Count() const noexcept;
    // A user interface of process pid connects (0: a process not known, whose share only a
    // disconnection takes back). Returns the new count.
    LONG Connect(DWORD pid) noexcept;
    // One disconnects: a share of process pid when it holds one, else another share. Returns
    // the new count (0 also when there was none).
    LONG Disconnect(DWORD pid) noexcept;
    // Stops watching the processes; once it returns no Owner call runs or follows.
    void Shutdown() noexcept;

private:
    struct Client {
        UiConnections* self;
        DWORD pid;
        UniqueHandle process;
        HANDLE wait = nullptr;
        LONG shares = 0; // guarded by lock_ from here on
        bool ended = false;
    };

    static void CALLBACK OnProcessEnded(void* context, BOOLEAN timedOut) noexcept;
    void ProcessEnded(Client& client) noexcept;
    bool JoinLiveClient(DWORD pid) noexcept;
    void AddClient(DWORD pid) noexcept;
    // Takes the clients whose process ended out of the list and lets their waits go.
    void PruneEnded() noexcept;
    static void Release(std::vector<std::unique_ptr<Client>>& clients) noexcept;

    Owner& owner_;
    mutable SrwLock lock_;
    std::vector<std::unique_ptr<Client>> clients_;
    LONG anonymous_ = 0;
    LONG count_ = 0;
    bool shut_down_ = false;
};

// The process of the client whose COM call this thread is serving; 0 when the call came from
// this process or the process can't be told.
DWORD CallerProcessId() noexcept;
