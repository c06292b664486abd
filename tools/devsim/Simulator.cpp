// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/Simulator.h"

#include "base/FixedText.h"
#include "devsim/AddressManager.h"
#include "devsim/InterfaceSubnets.h"
#include "devsim/RecordWriter.h"
#include "devsim/ReplyScheduler.h"
#include "devsim/RequestHandler.h"
#include "devsim/SearchSocket.h"
#include "devsim/SessionServer.h"
#include "platform/FileIo.h"
#include "platform/OpenFileLimit.h"
#include "platform/UniqueFd.h"
#include "sdk/AlarmRecord.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

namespace zk::devsim {
namespace {

// Addresses go on the interface as host addresses (/32); a device's netmask lives in its replies.
// With the device's prefix, every address of a subnet but the first would be a secondary, and each
// time the first (the primary) left, the kernel would move the routes of all the others: moving
// a thousand devices of one subnet took seconds of kernel time instead of a tenth of a second.
constexpr int kHostPrefixLength = 32;
// Send failures are reported, but only this many: a thousand devices failing alike would flood.
constexpr int kReportedSendFailures = 10;
// Datagrams handled before the sessions follow the devices' changes and get their turn: a burst of
// a thousand set-network requests must not keep the sessions waiting, nor follow every single move
// (each follow-up walks the whole fleet).
constexpr int kDatagramsPerBatch = 256;

// The alarm SIGUSR1 sends: the configured code, now, on channel 0.
sdk::EventMessage AlarmEvent(int alarmCode) {
    sdk::AlarmRecord alarm{};
    alarm.AlarmCode = alarmCode;
    alarm.Time =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    return sdk::EventMessage{static_cast<std::uint32_t>(sdk::kEventAlarm), sdk::EncodeAlarmRecord(alarm)};
}

double EpochSeconds() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count()) / 1000.0;
}

std::uint32_t DeviceAddress(const DeviceProfile& profile) {
    return ParseIpv4(base::FieldText(profile.record.IpAddress)).value_or(0);
}

} // namespace

Simulator::Simulator(SimOptions options, std::vector<DeviceProfile> fleet)
    : m_options(std::move(options)), m_fleet(std::move(fleet)) {}

int Simulator::Run(std::ostream& err) {
    // A thousand devices are a thousand listeners and their connections.
    const long openFiles = platform::RaiseOpenFileLimit();
    if (openFiles >= 0 && static_cast<std::size_t>(openFiles) < m_fleet.size() + 64) {
        err << "zkdevsim: warning: " << openFiles << " open files allowed, too few for " << m_fleet.size()
            << " devices and their sessions\n";
    }

    // The signals are taken through a descriptor in the main loop; blocked before the scheduler's
    // thread starts, they never interrupt it.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    platform::UniqueFd signalFd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!signalFd) {
        err << "zkdevsim: cannot watch for signals: " << std::strerror(errno) << '\n';
        return kExitFailed;
    }

    RecordWriter record;
    if (!m_options.recordFile.empty()) {
        if (const int error = record.Open(m_options.recordFile); error != 0) {
            err << "zkdevsim: cannot create the record file " << m_options.recordFile << ": " << std::strerror(error)
                << '\n';
            return kExitFailed;
        }
    }

    AddressManager addresses;
    InterfaceSubnets subnets;
    std::set<std::string> interfaces;
    for (const DeviceProfile& profile : m_fleet) {
        if (!profile.interfaceName.empty()) {
            interfaces.insert(profile.interfaceName);
        }
    }
    if (!m_options.occupied.empty()) {
        interfaces.insert(m_options.interfaceName);
    }
    if (!interfaces.empty()) {
        if (const int error = addresses.Open(); error != 0) {
            err << "zkdevsim: cannot open a netlink socket: " << std::strerror(error) << '\n';
            return kExitFailed;
        }
        for (const std::string& name : interfaces) {
            if (AddressManager::PromoteSecondaries(name) != 0) {
                err << "zkdevsim: warning: cannot set promote_secondaries on " << name << '\n';
            }
        }
    }
    int missing = 0;
    for (const DeviceProfile& profile : m_fleet) {
        const std::uint32_t address = DeviceAddress(profile);
        if (!profile.interfaceName.empty()) {
            std::string error;
            if (addresses.Add(profile.interfaceName, address, kHostPrefixLength, error) != 0) {
                err << "zkdevsim: " << error << '\n';
                return kExitFailed;
            }
        } else if (!subnets.IsLocal(address)) {
            if (++missing <= 5) {
                err << "zkdevsim: no interface holds the address " << FormatIpv4(address) << " of device "
                    << base::FieldText(profile.record.SerialNumber) << '\n';
            }
        }
    }
    if (missing > 0) {
        err << "zkdevsim: " << missing << " device addresses do not exist; give --interface to add them\n";
        return kExitFailed;
    }
    // Occupied addresses are only addresses: the kernel answers ping for them, and no device listens.
    for (const std::uint32_t address : m_options.occupied) {
        std::string error;
        if (addresses.Add(m_options.interfaceName, address, kHostPrefixLength, error) != 0) {
            err << "zkdevsim: " << error << '\n';
            return kExitFailed;
        }
    }
    subnets.Invalidate();

    SearchSocket socket;
    if (const int error = socket.Open(0, kSearchPort); error != 0) {
        err << "zkdevsim: cannot listen on UDP port " << kSearchPort << ": " << std::strerror(error) << '\n';
        return kExitFailed;
    }

    const std::uint64_t seed = m_options.seed ? *m_options.seed : std::random_device()();
    const std::size_t deviceCount = m_fleet.size();
    std::vector<std::string> serials;
    for (const DeviceProfile& profile : m_fleet) {
        serials.emplace_back(base::FieldText(profile.record.SerialNumber));
    }
    RequestHandler handler(std::move(m_fleet), HandlerSettings{m_options.jitterMs, m_options.rebootSeconds, seed},
                           SimClock::now());

    SessionSettings sessionSettings;
    sessionSettings.lockAfter = m_options.lockAfter;
    sessionSettings.lockSeconds = m_options.lockSeconds;
    sessionSettings.rebootSeconds = m_options.rebootSeconds;
    // Session answers come at once unless a delay is asked for; then they vary like search replies.
    sessionSettings.answerDelayMs = m_options.answerDelayMs;
    sessionSettings.answerJitterMs = m_options.answerDelayMs > 0 ? m_options.jitterMs : 0;
    SessionServer sessions(handler, sessionSettings, record.IsOpen() ? &record : nullptr, seed);
    if (std::string error; sessions.Start(error) != 0) {
        err << "zkdevsim: " << error << '\n';
        return kExitFailed;
    }

    std::atomic<int> sendFailures{0};
    ReplyScheduler scheduler([&socket, &sendFailures, &serials](const ScheduledReply& reply) {
        const int error = socket.SendFrom(reply.source.address, reply.destination, reply.payload);
        if (error != 0 && sendFailures.fetch_add(1) < kReportedSendFailures) {
            std::fprintf(stderr, "zkdevsim: device %s cannot send from %s to %s: %s\n",
                         serials[reply.deviceIndex].c_str(), FormatIpv4(reply.source.address).c_str(),
                         FormatEndpoint(reply.destination).c_str(), std::strerror(error));
        }
    });

    if (!m_options.readyFile.empty()) {
        if (platform::WriteFileAtomically(m_options.readyFile, std::to_string(::getpid()) + '\n') != 0) {
            err << "zkdevsim: cannot create the ready file " << m_options.readyFile << '\n';
            return kExitFailed;
        }
    }
    err << "zkdevsim: " << deviceCount << " devices answer on UDP port " << kSearchPort << " and on "
        << sessions.ListenerCount() << " command ports";
    if (!m_options.occupied.empty()) {
        err << ", " << m_options.occupied.size() << " occupied addresses";
    }
    err << " (seed " << seed << ")" << std::endl;

    pollfd watched[3] = {{socket.Fd(), POLLIN, 0}, {signalFd.Get(), POLLIN, 0}, {sessions.Fd(), POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 3, sessions.NextTimeoutMs(SimClock::now())) < 0) {
            if (errno == EINTR) {
                continue;
            }
            err << "zkdevsim: poll failed: " << std::strerror(errno) << '\n';
            break;
        }
        if ((watched[1].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            if (::read(signalFd.Get(), &info, sizeof(info)) > 0 && info.ssi_signo == SIGUSR1) {
                const int reached = sessions.PushEvent(std::nullopt, AlarmEvent(m_options.alarmCode));
                err << "zkdevsim: alarm " << m_options.alarmCode << " sent to " << reached << " sessions\n";
                continue;
            }
            err << "zkdevsim: " << ::strsignal(static_cast<int>(info.ssi_signo)) << ", stopping\n";
            break;
        }
        sessions.Service(SimClock::now());
        if ((watched[0].revents & POLLIN) == 0) {
            continue;
        }
        ReceivedDatagram datagram;
        int taken = 0;
        while (taken < kDatagramsPerBatch && socket.Receive(datagram) == 0) {
            ++taken;
            const auto now = SimClock::now();
            const int arrivalIndex = datagram.interfaceIndex;
            HandleResult result = handler.Handle(
                datagram.payload,
                [&subnets, arrivalIndex]() -> const std::vector<Subnet>& { return subnets.Of(arrivalIndex); },
                datagram.sender, now);
            if (record.IsOpen() &&
                record.Write(EpochSeconds(), datagram.sender, datagram.payload, result.summary) != 0) {
                err << "zkdevsim: cannot write the record file\n";
            }
            for (const AddressChange& change : result.addressChanges) {
                std::string error;
                addresses.Remove(change.interfaceName, change.oldAddress);
                if (addresses.Add(change.interfaceName, change.newAddress, kHostPrefixLength, error) != 0) {
                    err << "zkdevsim: " << error << '\n';
                }
                subnets.Invalidate();
            }
            for (ScheduledReply& reply : result.replies) {
                scheduler.Schedule(std::move(reply), now);
            }
        }
        // Moved devices listen on their new addresses; rebooted ones end their sessions.
        sessions.Sync(SimClock::now());
    }

    scheduler.Stop();
    int status = kExitOk;
    if (!m_options.configOutFile.empty()) {
        std::string lines;
        for (std::size_t i = 0; i < handler.DeviceCount(); ++i) {
            lines += DeviceStateLine(handler.Device(i)) + '\n';
        }
        if (platform::WriteFileAtomically(m_options.configOutFile, lines) != 0) {
            err << "zkdevsim: cannot write the configuration file " << m_options.configOutFile << '\n';
            status = kExitFailed;
        }
    }
    if (const long long dropped = socket.DroppedCount(); dropped > 0) {
        err << "zkdevsim: " << dropped << " datagrams to UDP port " << kSearchPort
            << " were dropped: the receive buffer was full\n";
    }
    const int left = addresses.RemoveAll();
    if (left > 0) {
        err << "zkdevsim: " << left << " addresses could not be removed\n";
    }
    return status;
}

} // namespace zk::devsim
