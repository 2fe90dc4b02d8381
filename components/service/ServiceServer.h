#pragma once

#include <memory>
#include <string>

#include "service/FaultPlan.h"
#include "service/ServiceConverter.h"
#include "service/ServiceOptions.h"

namespace service {

// The online conversion service: its HTTP protocol, the uploads and results on disk, and the
// conversions run by `converter` on a few worker threads. Serves on its own threads between
// Start and Stop; Start once, Stop from any thread but a request handler's.
class ServiceServer {
public:
    ServiceServer(ServiceOptions options, IServiceConverter& converter, FaultPlan faults = {});
    ~ServiceServer();
    ServiceServer(const ServiceServer&) = delete;
    ServiceServer& operator=(const ServiceServer&) = delete;

    // Prepares the data folder and binds (port 0: any free port). False with the reason.
    bool Start(std::string* error);
    // The bound port once started, else 0.
    int Port() const;
    // "http://127.0.0.1:PORT" (https with a certificate); the host a client can reach.
    std::string BaseUrl() const;
    // Closes the listener, ends stalls, cancels running conversions and joins every thread.
    // Takes as long as the longest of: a connection idle in keep-alive (2 s), a request
    // still being read (the 30 s I/O timeout), a conversion noticing its cancel.
    void Stop();

    // Replaces the plan in force; its counts start from zero. Any thread.
    void SetFaults(FaultPlan faults);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace service
