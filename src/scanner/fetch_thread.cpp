#include "scanner/fetch_thread.h"
#include "common/ascii.h"

#include <chrono>
#include <thread>

#include "platform/http.h"
#include "scanner/text_tools.h"
#include "tasks/worker.h"

namespace orv::scan {
namespace {

std::atomic<int> gLive{0};

// Receives the head and body of one send and decides what is read.
class Receiver final : public orv::net::HttpHandler {
  public:
    explicit Receiver(FetchJob& job) : job_(job) {}

    bool OnHead(const orv::net::HttpHead& head) override {
        job_.status = head.status;
        if (head.status == 401 || head.status == 407) {
            // First send: the caller resends with credentials; second: a failure.
            challenged_ = true;
            return false;
        }
        job_.headers = head.rawHeaders;
        job_.finalUrl = head.redirects > 0 ? head.url : std::string();
        if (!head.hasContentType) {
            failed_ = true;
            return false;
        }
        job_.contentType = head.contentType;
        if (!ascii::ContainsNoCase(head.contentType, "text/html") ||
            (job_.spec.requireHtm && !ascii::ContainsNoCase(head.contentType, "htm"))) {
            refused_ = true;
            return false;
        }
        job_.contentLength = head.contentLength < 0 ? 0 : head.contentLength;
        if (head.contentLength > job_.spec.maxBody) {
            job_.tooLarge = true;
            return false;
        }
        job_.body.clear();
        bytes_ = 0;
        return true;
    }

    bool OnData(std::string_view data) override {
        if (bytes_ + (long long)data.size() > job_.spec.maxBody) {
            job_.tooLarge = true;
            return false;
        }
        bytes_ += (long long)data.size();
        if (job_.spec.keepBody)
            job_.body.append(data);
        if (++reads_ % 10 == 0)
            job_.renewedAtMs.store(TickCountMs());
        return true;
    }

    bool challenged_ = false, refused_ = false, failed_ = false;
    long long bytes_ = 0;

  private:
    FetchJob& job_;
    long reads_ = 0;
};

}  // namespace

std::int64_t TickCountMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int THTTPGetThread::Live() {
    return gLive.load();
}

void THTTPGetThread::Start(std::shared_ptr<FetchJob> job, EndNotice notice) {
    gLive.fetch_add(1);
    std::thread([job = std::move(job), notice = std::move(notice)] {
        Run(*job);
        job->ended.store(true, std::memory_order_release);
        // The job is the notice's owner: each thread's notice is its own, so one that is
        // running (and lets events through) does not hold back the notices of the others.
        if (notice.queue)
            notice.queue->Post(job.get(), notice.onEnded);
        gLive.fetch_sub(1);
    }).detach();
}

void THTTPGetThread::Run(FetchJob& job) {
    const FetchSpec& spec = job.spec;
    const FetchSettings& s = spec.settings;
    bool ok = false;
    {
        orv::net::HttpClient client;  // created and freed on this thread
        client.SetAbortFlag(&job.terminate);
        orv::net::HttpRequest request;
        request.url = orv::net::RequestUrl(spec.parts);
        request.agent = s.agent;
        request.referrer = spec.referrer;
        request.http10 = true;
        switch (s.proxyType) {
            case PROXY_DIRECT:
                request.proxyMode = orv::net::ProxyMode::Direct;
                break;
            case PROXY_USEPROXY:
                request.proxyMode = orv::net::ProxyMode::UseProxy;
                break;
            default:
                request.proxyMode = orv::net::ProxyMode::Default;
                break;
        }
        request.proxyAddress = s.proxyAddress;
        request.proxyPort = s.proxyPort;

        for (int send = 1; send <= 2 && !job.terminate.load(); ++send) {
            Receiver receiver(job);
            orv::net::HttpOutcome outcome = client.Get(request, receiver);
            if (job.terminate.load())
                break;
            if (receiver.challenged_) {
                if (send == 2)
                    break;
                if (job.status == 407)
                    client.SetProxyCredentials(s.proxyUser, s.proxyPassword);
                else
                    client.SetCredentials(s.userName, s.password);
                continue;
            }
            if (outcome == orv::net::HttpOutcome::Failed && job.status == 407 && send == 1) {
                // A tunnel refused by the proxy: answer its challenge once.
                client.SetProxyCredentials(s.proxyUser, s.proxyPassword);
                continue;
            }
            if (receiver.refused_)
                job.refused = true;
            if (outcome == orv::net::HttpOutcome::Failed)
                job.error = client.ErrorText();
            if (outcome == orv::net::HttpOutcome::Complete)
                ok = spec.keepBody ? receiver.bytes_ > 0 : true;
            break;
        }
        if (job.tooLarge)
            ok = false;
    }
    if (!spec.keepBody)
        job.body.clear();
    if (job.terminate.load()) {
        ok = false;
        job.refused = true;
    }
    job.ok = ok;
}

}  // namespace orv::scan
