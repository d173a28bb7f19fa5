#include "ui_connections.h"

#include <rpc.h>
#include <rpcdcep.h>

#include <new>
#include <utility>

#include "log.h"

LONG UiConnections::Count() const noexcept {
    SrwGuard guard(lock_);
    return count_;
}

bool UiConnections::JoinLiveClient(DWORD pid) noexcept {
    SrwGuard guard(lock_);
    for (const std::unique_ptr<Client>& client : clients_) {
        // A process that ended but is not yet reported may have handed its id on.
        if (client->pid != pid || client->ended ||
            WaitForSingleObject(client->process.Get(), 0) == WAIT_OBJECT_0)
            continue;
        ++client->shares;
        ++count_;
        return true;
    }
    return false;
}

void UiConnections::AddClient(DWORD pid) noexcept {
    std::unique_ptr<Client> made(new (std::nothrow) Client{this, pid, UniqueHandle()});
    if (made)
        made->process.Reset(OpenProcess(SYNCHRONIZE, FALSE, pid));
    Client* client = made.get();
    {
        SrwGuard guard(lock_);
        ++count_;
        if (!client || !client->process || shut_down_) {
            ++anonymous_;
            client = nullptr;
        } else {
            try {
                clients_.push_back(std::move(made));
                client->shares = 1;
            } catch (...) {
                ++anonymous_;
                client = nullptr;
            }
        }
    }
    if (!client) {
        LogWarnNum(L'C', L"UILoaded The process of the user interface is not watched",
                   static_cast<long>(pid));
        return;
    }
    HANDLE wait = nullptr;
    const BOOL watched = RegisterWaitForSingleObject(&wait, client->process.Get(), OnProcessEnded,
                                                     client, INFINITE, WT_EXECUTEONLYONCE);
    SrwGuard guard(lock_);
    if (watched) {
        client->wait = wait;
        return;
    }
    LogErrorNum(L'C', L"UILoaded Cannot watch the user interface's process",
                static_cast<long>(GetLastError()));
    anonymous_ += client->shares;
    client->shares = 0;
    client->ended = true;
}

LONG UiConnections::Connect(DWORD pid) noexcept {
    PruneEnded();
    if (pid == 0) {
        SrwGuard guard(lock_);
        ++anonymous_;
        return ++count_;
    }
    if (!JoinLiveClient(pid))
        AddClient(pid);
    return Count();
}

LONG UiConnections::Disconnect(DWORD pid) noexcept {
    SrwGuard guard(lock_);
    if (count_ == 0)
        return 0;
    // The caller's own share first, then one that no process holds, then any other.
    Client* own = nullptr;
    Client* other = nullptr;
    for (const std::unique_ptr<Client>& client : clients_) {
        if (client->shares <= 0)
            continue;
        if (pid != 0 && client->pid == pid) {
            own = client.get();
            break;
        }
        if (!other)
            other = client.get();
    }
    if (own)
        --own->shares;
    else if (anonymous_ > 0)
        --anonymous_;
    else if (other)
        --other->shares;
    return --count_;
}

void CALLBACK UiConnections::OnProcessEnded(void* context, BOOLEAN) noexcept {
    Client* client = static_cast<Client*>(context);
    client->self->ProcessEnded(*client);
}

void UiConnections::ProcessEnded(Client& client) noexcept {
    LONG dropped, remaining;
    {
        SrwGuard guard(lock_);
        if (shut_down_ || client.ended)
            return;
        client.ended = true;
        dropped = client.shares;
        client.shares = 0;
        count_ -= dropped;
        remaining = count_;
    }
    if (dropped > 0)
        owner_.OnUiProcessEnded(client.pid, dropped, remaining);
}

void UiConnections::Release(std::vector<std::unique_ptr<Client>>& clients) noexcept {
    // Waits for a callback in progress, which needs none of this object's locks.
    for (const std::unique_ptr<Client>& client : clients) {
        if (client->wait)
            UnregisterWaitEx(client->wait, INVALID_HANDLE_VALUE);
    }
    clients.clear();
}

void UiConnections::PruneEnded() noexcept {
    std::vector<std::unique_ptr<Client>> ended;
    {
        SrwGuard guard(lock_);
        try {
            for (auto it = clients_.begin(); it != clients_.end();) {
                if ((*it)->ended) {
                    ended.push_back(std::move(*it));
                    it = clients_.erase(it);
                } else {
                    ++it;
                }
            }
        } catch (...) {
            // Pruned at a later connection.
        }
    }
    Release(ended);
}

void UiConnections::Shutdown() noexcept {
    std::vector<std::unique_ptr<Client>> all;
    {
        SrwGuard guard(lock_);
        shut_down_ = true;
        all.swap(clients_);
    }
    Release(all);
}

DWORD CallerProcessId() noexcept {
    unsigned long pid = 0;
    if (I_RpcBindingInqLocalClientPID(nullptr, &pid) != RPC_S_OK)
        return 0;
    return pid == GetCurrentProcessId() ? 0 : static_cast<DWORD>(pid);
}
