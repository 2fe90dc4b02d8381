#pragma once

// The contract between the program, libquire-pipe.so and quire-core. The program loads the
// library with dlopen and reaches it only through the two exported functions and the
// abstract classes below, so this header must stay free of anything else of ours.

// One connection's message handler. The server makes one per connection from the registered
// prototype and never calls one handler from two threads at once.
class IMsgProcessor {
public:
    virtual ~IMsgProcessor() = default;
    // `request` is the received message as NUL-terminated text. The returned text is sent
    // back as the reply and must stay valid until the next call on this object.
    virtual const char* OnMessage(const char* request) = 0;
    // The client has gone; Release follows.
    virtual void OnDisconnect() = 0;
    // A new handler of the same kind for a new connection; the server releases it.
    virtual IMsgProcessor* CreateProcessor() = 0;
    virtual void Release() = 0;
};

class IPipeSvr {
public:
    virtual ~IPipeSvr() = default;
    // The prototype stays owned by the caller and must outlive Stop.
    virtual void SetProcessor(IMsgProcessor* prototype) = 0;
    // Serves the pipe of this name (UTF-8) until Stop; false when it cannot.
    virtual bool Start(const char* name) = 0;
    // Ends all serving: no handler is running or will run once it returns.
    virtual void Stop() = 0;
};

extern "C" {
IPipeSvr* CreatePipeSvr();
void ReleasePipeSvr(IPipeSvr* server);
}

using CreatePipeSvrFunc = IPipeSvr* (*)();
using ReleasePipeSvrFunc = void (*)(IPipeSvr*);
