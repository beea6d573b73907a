// A named pipe of this process waiting for its client: whether the program under test opened
// a pipe's name that it should only have handed on.
#pragma once

#include <string>

#include "tests/support/Owned.h"

class ListeningPipe {
public:
    // \\.\pipe\<stem>-<this process's id>, waiting for a client from the start.
    explicit ListeningPipe(const std::wstring& stem);
    ~ListeningPipe();
    ListeningPipe(const ListeningPipe&) = delete;
    ListeningPipe& operator=(const ListeningPipe&) = delete;

    const std::wstring& Name() const { return name_; }
    // False when the pipe could not be made to wait: nothing could be told then.
    bool Listening() const { return listening_; }
    bool Opened() const;

private:
    std::wstring name_;
    UniqueHandle pipe_;
    UniqueHandle connected_;
    OVERLAPPED client_ = {};
    bool listening_ = false;
};
