#include "online/KRequest.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <system_error>

#include "app/AsynLog.h"
#include "online/WriterCache.h"
#include "platform/Format.h"

namespace {

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

struct CurlHandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

struct StreamCloser {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

// What an upload reads from: an open file when set, else the buffer.
struct UploadSource {
    std::FILE* file = nullptr;
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

std::size_t WriteFunction(char* data, std::size_t size, std::size_t count, void* user) {
    const std::size_t length = size * count;
    if (length == 0)
        return 0;
    // Anything but the full count makes libcurl stop with CURLE_WRITE_ERROR: a full disk or an
    // oversized answer must fail the transfer, not be reported as a success.
    return static_cast<IWriterCache*>(user)->Write(data, length) ? length : 0;
}

std::size_t ReadFunction(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* source = static_cast<UploadSource*>(user);
    const std::size_t wanted = size * count;
    if (source->file)
        return std::fread(buffer, 1, wanted, source->file);
    const std::size_t left = source->size - source->position;
    const std::size_t length = wanted < left ? wanted : left;
    std::memcpy(buffer, source->data + source->position, length);
    source->position += length;
    return length;
}

int ProgressFunction(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* request = static_cast<const KRequest*>(user);
    return request->cancelled && request->cancelled() ? 1 : 0;
}

HeaderList DefaultHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "User-Agent: Mozilla/4.0");
    return HeaderList(curl_slist_append(list, "Accept: */*"));
}

// The options every transfer shares; the verb-specific ones follow.
void SetCommonOptions(CURL* handle, KRequest& request, const std::string& url,
                      curl_slist* headers) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.connect_timeout));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.low_speed_seconds));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.ca_file.empty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, request.ca_file.c_str());
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, ProgressFunction);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &request);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
}

long StatusOf(CURL* handle) {
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

int ResultOf(long status) {
    return status == 200 ? 0 : static_cast<int>(status);
}

// The headers a transfer sends: the caller's list, or the defaults made for this transfer.
struct Headers {
    explicit Headers(const KRequest& request) {
        if (!request.header_list)
            defaults = DefaultHeaders();
        list = request.header_list ? request.header_list : defaults.get();
    }
    HeaderList defaults;
    curl_slist* list = nullptr;
};

// Runs a POST or PUT whose answer body (and for PUT its headers) is kept in the request.
int PerformWithAnswer(KRequest& request, CURL* handle, const char* verb, const std::string& url,
                      bool keep_headers) {
    KMemoryCache body(request.answer_limit);
    KMemoryCache headers(request.answer_limit);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteFunction);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<IWriterCache*>(&body));
    if (keep_headers) {
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, WriteFunction);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, static_cast<IWriterCache*>(&headers));
    }
    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        Log().Print("%s curl_easy_perform fail, retCode:%d, url:%s, param:%s", verb,
                    static_cast<int>(code), url, request.parameter);
        return code;
    }
    body.Finish();
    request.response = body.Text();
    if (keep_headers) {
        headers.Finish();
        request.response_headers = headers.Text();
    }
    return ResultOf(StatusOf(handle));
}

// A POST or PUT: the handle made and set up as every transfer is, then by `configure`.
int TransferWithAnswer(KRequest& request, const std::string& url, const char* verb,
                       bool keep_headers, const std::function<void(CURL*)>& configure) {
    if (!IsWebAddress(url))
        return CURLE_UNSUPPORTED_PROTOCOL;
    CurlHandle handle(curl_easy_init());
    if (!handle)
        return CURLE_FAILED_INIT;
    Headers headers(request);
    SetCommonOptions(handle.get(), request, url, headers.list);
    configure(handle.get());
    return PerformWithAnswer(request, handle.get(), verb, url, keep_headers);
}

int Put(KRequest& request, const std::string& url, UploadSource source, curl_off_t size) {
    return TransferWithAnswer(request, url, "PutSSL", true, [&source, size](CURL* handle) {
        curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(handle, CURLOPT_READFUNCTION, ReadFunction);
        curl_easy_setopt(handle, CURLOPT_READDATA, &source);
        curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, size);
    });
}

// A hidden name beside `target`, unique within this process and among processes.
std::filesystem::path DownloadName(const std::filesystem::path& target) {
    static std::atomic<int> counter{0};
    const std::string name = platform::Format(".%s.download-%d-%d", target.filename().string(),
                                              static_cast<int>(getpid()), ++counter);
    return target.parent_path() / name;
}

std::FILE* CreateExclusive(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = fdopen(fd, "wb");
    if (!stream)
        close(fd);
    return stream;
}

int Download(KRequest& request, CURL* handle, const std::string& url, std::FILE* stream) {
    KFileCache file(stream);
    Headers headers(request);
    SetCommonOptions(handle, request, url, headers.list);
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteFunction);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<IWriterCache*>(&file));
    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        Log().Print("GetSSL curl_easy_perform fail, retCode:%d, url:%s", static_cast<int>(code),
                    url);
        return code;
    }
    if (!file.Finish()) {
        Log().Print("GetSSL write fail, url:%s", url);
        return CURLE_WRITE_ERROR;
    }
    return ResultOf(StatusOf(handle));
}

}  // namespace

bool IsWebAddress(const std::string& url) {
    auto starts = [&url](const char* scheme) {
        const std::size_t length = std::strlen(scheme);
        return url.size() > length && strncasecmp(url.c_str(), scheme, length) == 0;
    };
    return starts("http://") || starts("https://");
}

int GetSSL(KRequest& request, const std::string& url, const std::filesystem::path& target) {
    if (!IsWebAddress(url))
        return CURLE_UNSUPPORTED_PROTOCOL;
    CurlHandle handle(curl_easy_init());
    if (!handle)
        return CURLE_FAILED_INIT;
    const std::filesystem::path temporary = DownloadName(target);
    std::FILE* stream = CreateExclusive(temporary);
    if (!stream) {
        Log().Print("KRequest::GetSSL create file fail, file:%ws", target.string());
        return CURLE_FAILED_INIT;
    }
    int result = Download(request, handle.get(), url, stream);
    std::error_code error;
    if (result == 0) {
        std::filesystem::rename(temporary, target, error);
        if (error) {
            Log().Print("KRequest::GetSSL rename fail, file:%ws", target.string());
            result = CURLE_WRITE_ERROR;
        }
    }
    if (result != 0)
        std::filesystem::remove(temporary, error);
    return result;
}

int PostSSL(KRequest& request, const std::string& url, const char* body, std::size_t length) {
    return TransferWithAnswer(request, url, "PostSSL", false, [body, length](CURL* handle) {
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
    });
}

int PostSSL(KRequest& request, const std::string& url, const std::string& body) {
    return PostSSL(request, url, body.data(), body.size());
}

int PutSSL(KRequest& request, const std::string& url, const char* data, std::size_t size) {
    UploadSource source;
    source.data = data;
    source.size = size;
    return Put(request, url, source, static_cast<curl_off_t>(size));
}

int PutSSL(KRequest& request, const std::string& url, const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0)
        return CURLE_FAILED_INIT;
    Stream stream(std::fopen(file.c_str(), "rb"));
    if (!stream)
        return CURLE_FAILED_INIT;
    UploadSource source;
    source.file = stream.get();
    return Put(request, url, source, static_cast<curl_off_t>(size));
}
