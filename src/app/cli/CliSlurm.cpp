// The Slurm submission of `bulk --slurm`: the range split into slices, one array job whose
// tasks run `bulk --fragment` on a slice each, and a merge job that waits for all of them
// (afterok) and commits the records with `bulk-merge`. Slurm does the distribution; this
// only writes the two batch scripts and hands them to sbatch.
#include "app/cli/CliBulk.h"
#include "core/Json.h"
#include "evaluation/Fragment.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace mv::cli {

namespace {

namespace fs = std::filesystem;

struct Slice {
    int task = 0;
    int from = 0, to = 0;
};

// K contiguous slices of near-equal length; fewer when the range has fewer IDs.
std::vector<Slice> slicesOf(int from, int to, int tasks) {
    std::vector<Slice> out;
    const long long n = static_cast<long long>(to) - from + 1;
    if (n <= 0)
        return out;
    const long long k = std::min<long long>(tasks, n);
    for (long long i = 0; i < k; ++i)
        out.push_back({static_cast<int>(i), static_cast<int>(from + i * n / k),
                       static_cast<int>(from + (i + 1) * n / k - 1)});
    return out;
}

std::string shellQuote(const std::string& s) {
    std::string o = "'";
    for (char c : s) {
        if (c == '\'')
            o += "'\\''";
        else
            o += c;
    }
    return o + "'";
}

std::string thisProgram() {
    std::error_code ec;
    const fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("mvtervik-cli") : p.string();
}

struct Ran {
    int exitCode = -1;
    std::string out, err;
};

std::string drain(int fd) {
    std::string s;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            s.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    return s;
}

// Runs a program found on PATH with its own arguments (no shell) and collects its output.
Ran runProgram(const std::vector<std::string>& argv) {
    Ran r;
    int out[2], err[2];
    if (pipe(out) != 0)
        return r;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return r;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        std::vector<char*> a;
        for (const std::string& s : argv)
            a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        execvp(a[0], a.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        r.err = "can not start a process";
        return r;
    }
    // sbatch and scontrol say little on stderr; reading stdout first can not block them.
    r.out = drain(out[0]);
    r.err = drain(err[0]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool writeScript(const fs::path& p, const std::string& text, std::string& why) {
    {
        std::ofstream f(p, std::ios::trunc);
        f << text;
        if (!f) {
            why = "can not write " + p.string();
            return false;
        }
    }
    std::error_code ec;
    fs::permissions(p,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    ec);
    return true;
}

// "0-2,5,7-8" from ascending task numbers.
std::string arraySpec(const std::vector<Slice>& slices) {
    std::string out;
    for (std::size_t i = 0; i < slices.size();) {
        std::size_t j = i;
        while (j + 1 < slices.size() && slices[j + 1].task == slices[j].task + 1)
            ++j;
        if (!out.empty())
            out += ",";
        out += std::to_string(slices[i].task);
        if (j > i)
            out += "-" + std::to_string(slices[j].task);
        i = j + 1;
    }
    return out;
}

std::string taskScript(const SlurmRequest& rq, const std::vector<Slice>& slices) {
    std::ostringstream s;
    s << "#!/bin/bash\n"
      << "# mvtervik bulk on Slurm: array task N evaluates slice N of Test IDs " << rq.from << ".."
      << rq.to << "\n# and writes its records into the fragment folder.\n"
      << "set -u\ncase \"${SLURM_ARRAY_TASK_ID:-}\" in\n";
    for (const Slice& sl : slices)
        s << sl.task << ") FROM=" << sl.from << "; TO=" << sl.to << " ;;\n";
    s << "*) echo \"no slice for array task ${SLURM_ARRAY_TASK_ID:-(none)}\" >&2; exit 2 ;;\n"
      << "esac\nexec " << shellQuote(thisProgram()) << " bulk";
    for (const std::string& a : rq.bulkArgs)
        s << " " << shellQuote(a);
    if (!rq.jobsGiven)
        s << " --jobs \"${SLURM_CPUS_PER_TASK:-1}\"";
    s << " --from \"$FROM\" --to \"$TO\" --fragment " << shellQuote(rq.fragments) << "\n";
    return s.str();
}

std::string mergeScript(const SlurmRequest& rq, const fs::path& report) {
    std::ostringstream s;
    s << "#!/bin/bash\n"
      << "# mvtervik bulk on Slurm: the records of every slice committed into the EvaLog.\n"
      << "exec " << shellQuote(thisProgram()) << " bulk-merge";
    for (const std::string& a : rq.mergeArgs)
        s << " " << shellQuote(a);
    s << " --fragments " << shellQuote(rq.fragments) << " --from " << rq.from << " --to " << rq.to
      << " --json > " << shellQuote(report.string()) << "\n";
    return s.str();
}

// The job id of `sbatch --parsable` ("123" or "123;cluster"), or "" with the reason.
std::string submit(const std::vector<std::string>& argv, StderrLog& log) {
    const Ran r = runProgram(argv);
    const std::string out = trimmed(r.out);
    const std::string id = out.substr(0, out.find(';'));
    if (r.exitCode != 0 || id.empty() || id.find_first_not_of("0123456789") != std::string::npos) {
        std::string cmd;
        for (const std::string& a : argv)
            cmd += (cmd.empty() ? "" : " ") + a;
        log.line({LineLevel::Error, "sbatch failed (exit " + std::to_string(r.exitCode) +
                                        "): " + trimmed(r.err + " " + r.out) + " [" + cmd + "]"});
        return {};
    }
    return id;
}

// The state of a job as scontrol tells it; "" once Slurm no longer knows it, nullopt when
// scontrol can not be run at all.
std::optional<std::string> jobState(const std::string& id) {
    const Ran r = runProgram({"scontrol", "show", "job", "-o", id});
    if (r.exitCode == 127 || r.exitCode < 0)
        return std::nullopt;
    if (r.exitCode != 0)
        return std::string();
    const auto p = r.out.find("JobState=");
    if (p == std::string::npos)
        return {};
    const auto e = r.out.find_first_of(" \n", p);
    return r.out.substr(p + 9, e == std::string::npos ? std::string::npos : e - p - 9);
}

bool finished(const std::string& state) {
    static const std::set<std::string> running = {
        "PENDING",  "RUNNING",      "CONFIGURING", "COMPLETING", "SUSPENDED",  "REQUEUED",
        "RESIZING", "REQUEUE_HOLD", "SIGNALING",   "STAGE_OUT",  "REQUEUE_FED"};
    return state.empty() || running.count(state) == 0;
}

} // namespace

int submitToSlurm(const SlurmRequest& rq, std::ostream& out, StderrLog& log) {
    const fs::path dir = fs::path(rq.fragments) / "slurm";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        log.line({LineLevel::Error, "Can not create " + dir.string()});
        return kExitPreparation;
    }
    const std::vector<Slice> all = slicesOf(rq.from, rq.to, rq.tasks);
    std::vector<Slice> run = all;
    if (rq.resume) {
        // Only the slices with a record missing or damaged run again.
        const std::vector<int> missing = IncompleteIds(rq.fragments, rq.from, rq.to);
        run.clear();
        for (const Slice& sl : all)
            if (std::any_of(missing.begin(), missing.end(),
                            [&](int id) { return id >= sl.from && id <= sl.to; }))
                run.push_back(sl);
        log.line({LineLevel::Info, "Resume: " + std::to_string(run.size()) + " of " +
                                       std::to_string(all.size()) + " slices to run"});
    }
    const fs::path report = dir / "merge.json";
    fs::remove(report, ec);

    std::string why;
    if (!writeScript(dir / "task.sh", taskScript(rq, all), why) ||
        !writeScript(dir / "merge.sh", mergeScript(rq, report), why)) {
        log.line({LineLevel::Error, why});
        return kExitPreparation;
    }
    std::vector<std::string> common;
    if (rq.partition)
        common.push_back("--partition=" + *rq.partition);
    common.insert(common.end(), rq.sbatchArgs.begin(), rq.sbatchArgs.end());

    std::string arrayJob;
    if (!run.empty()) {
        std::vector<std::string> argv = {"sbatch", "--parsable", "--job-name=mvt-bulk",
                                         "--array=" + arraySpec(run),
                                         "--output=" + (dir / "task-%A_%a.out").string()};
        argv.insert(argv.end(), common.begin(), common.end());
        argv.push_back((dir / "task.sh").string());
        arrayJob = submit(argv, log);
        if (arrayJob.empty())
            return kExitPreparation;
    }
    std::vector<std::string> argv = {"sbatch", "--parsable", "--job-name=mvt-merge",
                                     "--output=" + (dir / "merge-%j.out").string()};
    if (!arrayJob.empty()) {
        // A failed task must not leave the merge waiting forever for its dependency.
        argv.push_back("--dependency=afterok:" + arrayJob);
        argv.push_back("--kill-on-invalid-dep=yes");
    }
    argv.insert(argv.end(), common.begin(), common.end());
    argv.push_back((dir / "merge.sh").string());
    const std::string mergeJob = submit(argv, log);
    if (mergeJob.empty()) {
        if (!arrayJob.empty())
            log.line({LineLevel::Warning, "The array job " + arrayJob +
                                              " was submitted; merge its records with bulk-merge"});
        return kExitPreparation;
    }
    log.line({LineLevel::Info, "Submitted " +
                                   (arrayJob.empty() ? std::string("no array job")
                                                     : "array job " + arrayJob + " (" +
                                                           std::to_string(run.size()) + " tasks)") +
                                   " and merge job " + mergeJob});

    const auto writeSubmission = [&](JsonWriter& w) {
        w.key("arrayJob").value(arrayJob).key("mergeJob").value(mergeJob);
        w.key("fragments").value(rq.fragments).key("slices").beginArray();
        for (const Slice& sl : run)
            w.beginObject()
                .key("task")
                .value(sl.task)
                .key("from")
                .value(sl.from)
                .key("to")
                .value(sl.to)
                .endObject();
        w.endArray();
    };
    if (!rq.wait) {
        if (rq.json) {
            JsonWriter w;
            w.beginObject();
            writeSubmission(w);
            w.endObject();
            out << w.str() << "\n";
        } else {
            out << (arrayJob.empty() ? "-" : arrayJob) << " " << mergeJob << "\n";
        }
        return kExitRan;
    }

    std::string state;
    for (;;) {
        const std::optional<std::string> now = jobState(mergeJob);
        if (!now) {
            log.line({LineLevel::Error, "scontrol can not be run: the jobs were submitted but "
                                        "can not be waited for"});
            return kExitPreparation;
        }
        state = *now;
        if (finished(state))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    std::ifstream f(report);
    std::stringstream text;
    text << f.rdbuf();
    const std::optional<JsonValue> merged = parseJson(trimmed(text.str()));
    const JsonValue* ok = merged ? merged->find("merged") : nullptr;
    const bool good = ok && ok->type == JsonValue::Type::Bool && ok->boolean;
    std::vector<int> missing;
    if (!good) {
        missing = IncompleteIds(rq.fragments, rq.from, rq.to);
        log.line({LineLevel::Error,
                  "The merge job " + mergeJob + " ended " + (state.empty() ? "" : state + " ") +
                      "without merging" +
                      (missing.empty()
                           ? std::string(": see ") + (dir / "merge-").string() + mergeJob + ".out"
                           : "; no record of ID " + IdRuns(missing) + ": see the task logs in " +
                                 dir.string() + " and submit again with --resume")});
    }
    if (rq.json) {
        JsonWriter w;
        w.beginObject();
        writeSubmission(w);
        w.key("mergeState").value(state).key("merged").value(good);
        if (good)
            w.key("merge").raw(trimmed(text.str()));
        w.key("missing").beginArray();
        for (int id : missing)
            w.value(id);
        w.endArray().endObject();
        out << w.str() << "\n";
    } else if (good) {
        out << "merged by job " << mergeJob << "\n";
    }
    return good ? kExitRan : kExitPreparation;
}

} // namespace mv::cli
