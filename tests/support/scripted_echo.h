// An echo function for the tools that send ICMP echoes (Batch Ping, Tracert): it answers from a
// script, records every request, and can hold requests until the test lets them go.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gate.h"
#include "platform/icmp.h"
#include "platform/resolver.h"

namespace orv::test {

class ScriptedEcho {
  public:
    // What one request gets back.
    struct Outcome {
        std::uint32_t answers = 1;  // what the echo returns; 0: a time-out or a local failure
        icmp::IpStatus status = icmp::IpStatus::Success;
        std::uint32_t rtt = 1;
        bool echoRequest = true;                // returned data: the request's own data
        std::string data{};                     // otherwise this
        const std::uint8_t* pointer = nullptr;  // a data pointer other than the buffer's
        std::string from{};  // dotted address of who answered; empty: the destination
        int replyTtl = 64;   // time-to-live byte of the answer's IP header
    };
    static Outcome Reply(std::uint32_t rtt) { return {.rtt = rtt}; }
    static Outcome Data(std::string d, std::uint32_t rtt = 1) {
        return {.rtt = rtt, .echoRequest = false, .data = std::move(d)};
    }
    static Outcome TimedOut(std::uint32_t waited) {
        return {
            .answers = 0, .status = icmp::IpStatus::TimedOut, .rtt = waited, .echoRequest = false};
    }
    // An ICMP error about the request, from `from` (empty: the destination).
    static Outcome Error(icmp::IpStatus s, std::uint32_t rtt, std::string from = {}) {
        return {.status = s, .rtt = rtt, .echoRequest = false, .from = std::move(from)};
    }
    // A failure on this side: nothing was received.
    static Outcome Local(icmp::IpStatus s) {
        return {.answers = 0, .status = s, .rtt = 0, .echoRequest = false};
    }

    struct Call {
        net::InAddr destination;
        std::string data;
        bool hadOptions;
        icmp::IpOptions options;
        std::size_t replySize;
        std::uint32_t timeoutMs;
    };
    // Chooses the outcome of a request; `index` counts the requests from 0.
    using Answerer = std::function<Outcome(int index, const Call&)>;

    ScriptedEcho() = default;
    ScriptedEcho(const ScriptedEcho&) = delete;
    ScriptedEcho& operator=(const ScriptedEcho&) = delete;
    // Lets held requests go: a sender may still be waiting when the test ends.
    ~ScriptedEcho() { Release(); }

    // The echo function. It shares the script with this object and stays safe to call after it
    // is gone, so a sender that outlives the test does not reach freed memory.
    icmp::EchoFn Fn() const {
        return [s = s_](net::InAddr d, const void* data, std::size_t size, const icmp::IpOptions* o,
                        void* reply, std::size_t replySize, std::uint32_t timeout) {
            return s->Send(d, data, size, o, reply, replySize, timeout);
        };
    }

    // Outcomes for the next requests, in order; once they are used up, every request gets
    // Reply(1). Not used while an answerer is set.
    void Script(std::initializer_list<Outcome> outcomes) {
        std::lock_guard l(s_->m);
        s_->script.insert(s_->script.end(), outcomes);
    }
    // Every request's outcome chosen by `answer` instead (a route that answers by time-to-live).
    void AnswerWith(Answerer answer) {
        std::lock_guard l(s_->m);
        s_->answer = std::move(answer);
    }

    // Requests number `n` (0-based) and later wait until Release.
    void HoldFrom(int n) { s_->gate.CloseFrom(n); }
    // Only request number `n` waits until Release.
    void HoldOnly(int n) { s_->gate.CloseRange(n, n + 1); }
    void Release() { s_->gate.Open(); }

    // Requests waiting now.
    int Held() const { return s_->gate.Waiting(); }
    // Requests not returned yet.
    int InFlight() const {
        std::lock_guard l(s_->m);
        return s_->inFlight;
    }
    std::vector<Call> Calls() const {
        std::lock_guard l(s_->m);
        return s_->calls;
    }
    // The time-to-live of each request, in order.
    std::vector<int> Ttls() const {
        std::vector<int> out;
        for (const Call& c : Calls())
            out.push_back(c.options.ttl);
        return out;
    }

  private:
    struct State {
        std::uint32_t Send(net::InAddr d, const void* request, std::size_t size,
                           const icmp::IpOptions* o, void* reply, std::size_t replySize,
                           std::uint32_t timeout) {
            const Call call{d,
                            std::string(static_cast<const char*>(request), size),
                            o != nullptr,
                            o ? *o : icmp::IpOptions{},
                            replySize,
                            timeout};
            int index;
            {
                std::lock_guard l(m);
                ++inFlight;
                index = static_cast<int>(calls.size());
                calls.push_back(call);
            }
            // Bounded: a tool that waits for a held request on the thread that would release it
            // must fail, not hang.
            EXPECT_TRUE(gate.Pass({}, index, std::chrono::seconds(30)))
                << "request " << index << " was never released";
            std::lock_guard l(m);
            Outcome out = Reply(1);
            if (answer) {
                out = answer(index, call);
            } else if (!script.empty()) {
                out = script.front();
                script.pop_front();
            }
            EXPECT_GE(replySize, icmp::kReplySize);
            auto* room = static_cast<std::uint8_t*>(reply) + icmp::kReplySize;
            const std::size_t roomSize = replySize - icmp::kReplySize;
            const std::string back = out.echoRequest ? call.data : out.data;
            const std::size_t n = std::min(back.size(), roomSize);
            std::memcpy(room, back.data(), n);
            icmp::IcmpEchoReply rec;
            rec.address = !out.answers ? 0 : out.from.empty() ? d : net::inet_addr(out.from);
            rec.status = out.status;
            rec.roundTripTime = out.rtt;
            rec.dataSize =
                out.status == icmp::IpStatus::Success && out.answers ? std::uint32_t(n) : 0;
            rec.data = out.pointer ? out.pointer : room;
            rec.options.ttl = out.replyTtl;
            std::memcpy(reply, &rec, sizeof rec);
            --inFlight;
            return out.answers;
        }

        mutable std::mutex m;
        Gate gate;
        std::deque<Outcome> script;
        Answerer answer;
        std::vector<Call> calls;
        int inFlight = 0;
    };

    std::shared_ptr<State> s_ = std::make_shared<State>();
};

}  // namespace orv::test
