// Reader and writer throughput on a script of 10,000 rules, compared with Dovecot's sievec
// compiling the same rules as a standard Sieve script.
//
// Build and run (Release, in a build tree of its own):
//   cmake -S . -B build/h-rules-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELOR_BENCH=ON
//         -DVELOR_ONLY=velcore/rules        (one command line)
//   ninja -C build/h-rules-bench velcore_rules_bench
//   build/h-rules-bench/bin/velcore_rules_bench [rules] [sievec path]
// The defaults are 10000 rules and /usr/bin/sievec. The scripts and sievec's output go to a
// scratch folder under /tmp, removed at the end. sievec gets a configuration file of its own
// that only lifts its 1 MB script limit, so that no installed Dovecot configuration plays a
// part; its start-up time is measured on an empty script and shown apart. Our times include
// freeing the tree, as every parse in the library ends with it.
//
// The rules use only what both dialects share (address, header, exists, size, true, allof,
// anyof; fileinto, redirect, reject, keep, discard, vacation without :days, stop; elsif and
// else), all switched on, with plain ASCII strings: our header lines are comments to sievec,
// and its script is ours with a require line in front.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "velcore/rules/SieveReader.h"
#include "velcore/rules/SieveWriter.h"

namespace {

using namespace velor::rules;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultRules = 10000;
constexpr int kRepetitions = 7;
constexpr int kSievecRepetitions = 5;
constexpr const char* kDefaultSievec = "/usr/bin/sievec";
constexpr const char* kStandardRequire = "require [\"fileinto\", \"reject\", \"vacation\"];\n";
// sievec refuses scripts over 1 MB unless told otherwise.
constexpr const char* kSievecConfig = "plugin {\n  sieve_max_script_size = 256M\n}\n";
constexpr const char* kWords[] = {"sales", "report", "invoice", "team", "weekly", "alpha",
                                  "beta", "news", "offer", "urgent", "project", "meeting"};
constexpr const char* kAddressHeaders[] = {"From", "To", "Cc", "Sender"};

class RuleMaker {
public:
    explicit RuleMaker(unsigned seed) : random_(seed) {}

    SieveCommand* Rule(int index) {
        SieveCommand* rule = If(nullptr);
        std::snprintf(rule->name, sizeof rule->name, "Rule %d %s", index, Word());
        if (Pick(10) == 0) {
            rule->elseBlock = If(rule);
        } else if (Pick(10) == 0) {
            rule->elseBlock = Action(rule);
        }
        return rule;
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    const char* Word() { return kWords[Pick(sizeof kWords / sizeof kWords[0])]; }

    SieveStringList* Strings(int count) {
        SieveStringList* head = nullptr;
        for (int i = 0; i < count; ++i) {
            std::string text = std::string(Word()) + "@" + Word() + ".example.com";
            SieveStringList* item = NewStringItem(text);
            item->next = head;
            head = item;
        }
        return head;
    }

    SieveTest* Condition() {
        switch (Pick(6)) {
        case 0: {
            SieveTest* test = NewTest(TestKind::Address);
            test->matchType = MatchType::Contains;
            int first = Pick(4);
            test->headers = NewStringItem(kAddressHeaders[first]);
            if (Pick(2) == 0) {
                test->headers->next = NewStringItem(kAddressHeaders[(first + 1) % 4]);
            }
            test->keys = Strings(2 + Pick(4));
            return test;
        }
        case 1: {
            SieveTest* test = NewTest(TestKind::Header);
            test->matchType = static_cast<MatchType>(Pick(3));
            test->headers = NewStringItem("Subject");
            test->keys = NewStringItem(std::string(Word()) + " " + Word());
            return test;
        }
        case 2: {
            SieveTest* test = NewTest(TestKind::Header);
            test->headers = NewStringItem("Content-Type");
            test->keys = NewStringItem("multipart/mixed");
            return test;
        }
        case 3: {
            SieveTest* test = NewTest(TestKind::Size);
            test->sizeUnder = Pick(2);
            test->sizeLimit = 1024 * (1 + Pick(10000));
            return test;
        }
        case 4: {
            SieveTest* test = NewTest(TestKind::Exists);
            test->headers = NewStringItem("X-Spam-Flag");
            return test;
        }
        default:
            return NewTest(TestKind::True);
        }
    }

    SieveTest* Test() {
        if (Pick(3) != 0) {
            return Condition();
        }
        SieveTest* group = NewTest(Pick(2) == 0 ? TestKind::Allof : TestKind::Anyof);
        int count = 2 + Pick(2);
        for (int i = 0; i < count; ++i) {
            SieveTest* child = Condition();
            child->next = group->children;
            group->children = child;
        }
        return group;
    }

    SieveCommand* Action(SieveCommand* parent) {
        static constexpr CommandKind kKinds[] = {
            CommandKind::Fileinto, CommandKind::Redirect, CommandKind::Reject, CommandKind::Keep,
            CommandKind::Discard,  CommandKind::Vacation, CommandKind::Fileinto};
        SieveCommand* action = NewCommand(kKinds[Pick(sizeof kKinds / sizeof kKinds[0])]);
        action->parent = parent;
        switch (action->kind) {
        case CommandKind::Fileinto:
            std::snprintf(action->argument, sizeof action->argument, "INBOX/%s/%s", Word(), Word());
            break;
        case CommandKind::Redirect:
            std::snprintf(action->argument, sizeof action->argument, "%s@example.org", Word());
            break;
        case CommandKind::Reject:
            std::snprintf(action->argument, sizeof action->argument,
                          "Your message about %s was not accepted.", Word());
            break;
        case CommandKind::Vacation:
            std::snprintf(action->name, sizeof action->name, "Away: %s", Word());
            std::snprintf(action->argument, sizeof action->argument,
                          "I am away until Monday and will read your %s message then. For "
                          "anything urgent about %s, please write to the %s team.",
                          Word(), Word(), Word());
            break;
        default:
            break;
        }
        return action;
    }

    SieveCommand* If(SieveCommand* parent) {
        SieveCommand* command = NewCommand(CommandKind::If);
        command->parent = parent;
        command->test = Test();
        SieveCommand** tail = &command->thenBlock;
        int count = 1 + Pick(3);
        for (int i = 0; i < count; ++i) {
            *tail = Action(command);
            tail = &(*tail)->next;
        }
        if (Pick(3) == 0) {
            *tail = NewCommand(CommandKind::Stop);
            (*tail)->parent = command;
        }
        return command;
    }

    std::mt19937 random_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Processor time of this process and of the children it waited for (sievec), user and system.
double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Medians of wall time and of processor time. On a shared machine the wall time says as much
// about the neighbours as about the work; the processor time is shown beside it.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

template <typename Work>
Timing MedianTimes(int repetitions, Work work) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < repetitions; ++i) {
        double cpuStart = CpuSeconds();
        Clock::time_point start = Clock::now();
        work();
        wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        cpu.push_back(CpuSeconds() - cpuStart);
    }
    return {Median(wall), Median(cpu)};
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
    int ruleCount = argc > 1 ? std::atoi(argv[1]) : kDefaultRules;
    std::string sievec = argc > 2 ? argv[2] : kDefaultSievec;

    RuleMaker maker(20261208);
    SieveCommand* head = nullptr;
    SieveCommand** tail = &head;
    for (int i = 0; i < ruleCount; ++i) {
        *tail = maker.Rule(i);
        tail = &(*tail)->next;
    }
    CommandListPtr rules(head);
    const std::string script = WriteScript(rules.get());
    const double megabytes = static_cast<double>(script.size()) / (1024.0 * 1024.0);

    ParseOutcome check = ReadScript(script);
    if (!check.ok || WriteScript(check.commands.get()) != script) {
        std::fprintf(stderr, "the benchmark script does not read back: line %d: %s\n", check.line,
                     check.message.c_str());
        return 1;
    }
    Timing read = MedianTimes(kRepetitions, [&] {
        ParseOutcome outcome = ReadScript(script);
        if (!outcome.ok) {
            std::abort();
        }
    });
    Timing write = MedianTimes(kRepetitions, [&] {
        std::string text = WriteScript(check.commands.get());
        if (text.size() != script.size()) {
            std::abort();
        }
    });
    std::printf("script: %d rules, %zu bytes (%.2f MB)\n", ruleCount, script.size(), megabytes);
    std::printf("read:   %8.2f ms  %8.1f MB/s  (cpu %8.2f ms, %8.1f MB/s; median of %d)\n",
                read.wall * 1e3, megabytes / read.wall, read.cpu * 1e3, megabytes / read.cpu,
                kRepetitions);
    std::printf("write:  %8.2f ms  %8.1f MB/s  (cpu %8.2f ms, %8.1f MB/s; goal at least 250 MB/s)\n",
                write.wall * 1e3, megabytes / write.wall, write.cpu * 1e3, megabytes / write.cpu);
#if defined(__GLIBC__)
    // Every command record carries its fixed 2 KB argument buffer, so a parse of this script
    // takes about a hundred megabytes, which glibc may hand back to the system when the tree
    // is freed and the next parse then faults in again. Shown apart: the same with the freed
    // memory kept by the allocator (32 MB is the largest mapping threshold glibc accepts).
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    Timing warmRead = MedianTimes(kRepetitions, [&] {
        ParseOutcome outcome = ReadScript(script);
        if (!outcome.ok) {
            std::abort();
        }
    });
    Timing warmWrite = MedianTimes(kRepetitions, [&] {
        std::string text = WriteScript(check.commands.get());
        if (text.size() != script.size()) {
            std::abort();
        }
    });
    std::printf("memory kept by the allocator: read %8.2f ms %8.1f MB/s (cpu %8.2f ms), "
                "write %8.2f ms %8.1f MB/s (cpu %8.2f ms)\n",
                warmRead.wall * 1e3, megabytes / warmRead.wall, warmRead.cpu * 1e3,
                warmWrite.wall * 1e3, megabytes / warmWrite.wall, warmWrite.cpu * 1e3);
#endif

    std::filesystem::path scratch = std::filesystem::temp_directory_path() /
                                    ("velor-rules-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    WriteFile(scratch / "sievec.conf", kSievecConfig);
    WriteFile(scratch / "rules.sieve", kStandardRequire + script);
    WriteFile(scratch / "empty.sieve", "");
    auto compile = [&](const char* name) {
        std::string command = sievec + " -c " + (scratch / "sievec.conf").string() + " " +
                              (scratch / name).string() + " " + (scratch / "out.svbin").string() +
                              " >/dev/null 2>&1";
        return std::system(command.c_str());
    };
    if (compile("rules.sieve") != 0) {
        std::printf("sievec: %s failed on the standard script; no comparison\n", sievec.c_str());
        std::filesystem::remove_all(scratch);
        return 0;
    }
    Timing sievecRun = MedianTimes(kSievecRepetitions, [&] { compile("rules.sieve"); });
    Timing startup = MedianTimes(kSievecRepetitions, [&] { compile("empty.sieve"); });
    std::filesystem::remove_all(scratch);
    double sievecWork = std::max(sievecRun.wall - startup.wall, 1e-9);
    double sievecWorkCpu = std::max(sievecRun.cpu - startup.cpu, 1e-9);
    std::printf("sievec: %8.2f ms  (start-up on an empty script %.2f ms; compiling %.2f ms, "
                "%.1f MB/s; cpu compiling %.2f ms; median of %d)\n",
                sievecRun.wall * 1e3, startup.wall * 1e3, sievecWork * 1e3,
                megabytes / sievecWork, sievecWorkCpu * 1e3, kSievecRepetitions);
    std::printf("ratio:  sievec compiling / our reader = %.2f (wall), %.2f (cpu); whole sievec "
                "process %.2f (goal: at least 4)\n",
                sievecWork / read.wall, sievecWorkCpu / read.cpu, sievecRun.wall / read.wall);
#if defined(__GLIBC__)
    std::printf("ratio with memory kept: %.2f (wall), %.2f (cpu); whole sievec process %.2f\n",
                sievecWork / warmRead.wall, sievecWorkCpu / warmRead.cpu,
                sievecRun.wall / warmRead.wall);
#endif
    return 0;
}
