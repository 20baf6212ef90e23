#include "app/summary_pipeline.h"

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/summary_tables.h"
#include "app/table_rows.h"
#include "calib/inverse_poly.h"
#include "calib/jacobi_svd.h"
#include "calib/process_end.h"
#include "calib/read_cal.h"
#include "calib/wait_for_number.h"

namespace {

// Files in flight per worker: read ahead, waiting to be applied, formatted or
// written. A few keep every worker busy while the writer catches up.
constexpr int kSlotsPerWorker = 4;

// One calibration file of the run, in the run's order: camera by camera in
// the camera list's order, and within a camera in listing order.
struct Job {
    int entry;            // listing index
    int camera_position;  // index in the camera list
};

// What the run does with a file once its values are applied.
enum JobOutcome {
    kRowsReady,   // write its rows (and the sweep-limit warning, if any)
    kSkipped,     // no calibration in it: the notice, no rows
    kUnreadable,  // the reader's message, the wait, the end
    kOrderNotImplemented,
    kPathTooLong,
    kWorkerFailed,  // a worker could not get memory for it
};

// The state of a file in flight. A slot serves job j, j + slots, ...
struct Slot {
    enum State { kFree, kScanning, kScanned, kFormatting, kReadyToWrite };
    State state = kFree;
    char path[kPathRoom] = "";
    bool path_fits = true;
    bool worker_failed = false;
    std::unique_ptr<CalScan> scan = std::make_unique<CalScan>();
    // After the values are applied, scan->record holds the run's record as it
    // then stood (the stars in use), for the fit and the rows.
    JobOutcome outcome = kRowsReady;
    int order_applied = 0;
    bool sweep_limit_reached = false;
    std::string fit_coefs_rows;
    std::string fit_stars_rows;
};

// Copies what the rows and the fit of a calibration read: every field before
// the star table, and the stars in use. The star table must stay the
// record's last field, or the fields after it would not be copied.
static_assert(offsetof(CalibrationRecord, stars) + sizeof(CalibrationRecord::stars) ==
                  sizeof(CalibrationRecord),
              "the star table must be the last field of CalibrationRecord");
void CopyForRows(const CalibrationRecord& from, CalibrationRecord& to) {
    std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), offsetof(CalibrationRecord, stars));
    const int stars = from.star_count < 0 ? 0 : from.star_count > kMaxStars ? kMaxStars : from.star_count;
    std::memcpy(to.stars, from.stars, static_cast<std::size_t>(stars) * sizeof(StarEntry));
}

// The state of one pipelined run. The fields after mutex are shared by the
// threads and read or written with mutex held; current_camera and the run's
// records belong to the calling thread; a slot belongs to the thread its
// state gives it to.
struct PipelineRun {
    std::string_view folder;
    const CameraList* camera_list = nullptr;
    const ListingEntries* entries = nullptr;
    CalibrationRecord* record = nullptr;
    SiteRecord* site = nullptr;
    std::vector<Job> jobs;
    std::vector<Slot> slots;
    int current_camera = -1;

    std::mutex mutex;
    std::condition_variable work_ready;  // workers wait here
    std::condition_variable step_done;   // the calling thread waits here
    std::size_t next_scan = 0;
    std::size_t next_apply = 0;
    std::size_t next_write = 0;
    std::deque<std::size_t> format_queue;
    bool stopped_at_failure = false;
    bool stopping = false;
    int waiting_workers = 0;
    bool calling_thread_waits = false;
};

Slot& SlotOf(PipelineRun& run, std::size_t job) {
    return run.slots[job % run.slots.size()];
}

// Wakes a worker if one waits for work (mutex held). A wake is a system
// call; the threads keep count so as to make none in vain.
void WakeAWorker(PipelineRun& run) {
    if (run.waiting_workers > 0) run.work_ready.notify_one();
}

// Whether a file waits to be formatted or can be read ahead (mutex held).
bool HasWork(const PipelineRun& run) {
    return !run.format_queue.empty() ||
           (run.next_scan < run.jobs.size() && run.next_scan < run.next_write + run.slots.size());
}

// A thread reads job's file into its slot. The fit order assumed for a file
// that gives none is 0; the calling thread reads such a file again when the
// run's order says otherwise.
void Scan(PipelineRun& run, std::size_t job) {
    Slot& slot = SlotOf(run, job);
    const int entry = run.jobs[job].entry;
    try {
        slot.worker_failed = false;
        slot.path_fits = FormCalibrationPath(run.folder, run.entries->names[entry], slot.path);
        if (slot.path_fits) ScanCALfile(slot.path, 0, *slot.scan);
    } catch (const std::exception&) {
        slot.worker_failed = true;
    }
}

// A thread fits the inverse of an applied calibration and forms its rows.
void Format(Slot& slot) {
    try {
        slot.sweep_limit_reached = FitInversePolynomial(slot.scan->record);
        AppendCalibrationRows(slot.scan->record, slot.fit_coefs_rows, slot.fit_stars_rows);
    } catch (const std::exception&) {
        slot.outcome = kWorkerFailed;
    }
}

// Takes one piece of work (HasWork must hold, mutex held through lock):
// formatting first, as it frees a slot sooner, else reading the next file.
// Does it with the mutex released and reports it done.
void DoWork(PipelineRun& run, std::unique_lock<std::mutex>& lock) {
    std::size_t job = 0;
    const bool format = !run.format_queue.empty();
    if (format) {
        job = run.format_queue.front();
        run.format_queue.pop_front();
    } else {
        job = run.next_scan++;
        SlotOf(run, job).state = Slot::kScanning;
    }
    lock.unlock();
    if (format) {
        Format(SlotOf(run, job));
    } else {
        Scan(run, job);
    }
    lock.lock();
    SlotOf(run, job).state = format ? Slot::kReadyToWrite : Slot::kScanned;
    // The calling thread waits for the next file to apply or to write; any
    // other file it finds done when it gets there.
    if (run.calling_thread_waits && (job == run.next_apply || job == run.next_write))
        run.step_done.notify_one();
    // More work may have come in while this thread was busy.
    if (HasWork(run)) WakeAWorker(run);
}

void WorkerLoop(PipelineRun& run) {
    std::unique_lock<std::mutex> lock(run.mutex);
    for (;;) {
        if (!run.stopping && !HasWork(run)) {
            ++run.waiting_workers;
            run.work_ready.wait(lock, [&run] { return run.stopping || HasWork(run); });
            --run.waiting_workers;
        }
        if (run.stopping) return;
        DoWork(run, lock);
    }
}

// A file that ends the run: nothing after it is applied.
bool Stop(PipelineRun& run, Slot& slot, JobOutcome outcome) {
    slot.outcome = outcome;
    std::lock_guard<std::mutex> lock(run.mutex);
    run.stopped_at_failure = true;
    return false;
}

// The calling thread lays job's values over the run's records, in order.
// Returns true when the file's rows are to be formatted.
bool Apply(PipelineRun& run, std::size_t job) {
    Slot& slot = SlotOf(run, job);
    if (slot.worker_failed) return Stop(run, slot, kWorkerFailed);
    if (!slot.path_fits) return Stop(run, slot, kPathTooLong);
    CalApplyResult result = ApplyCALscan(slot.path, *slot.scan, *run.record, *run.site);
    if (result == kCalRescanNeeded) {
        ScanCALfile(slot.path, run.record->fit_order, *slot.scan);
        result = ApplyCALscan(slot.path, *slot.scan, *run.record, *run.site);
    }
    switch (result) {
        case kCalApplied:
            slot.outcome = kRowsReady;
            CopyForRows(*run.record, slot.scan->record);
            return true;
        case kCalNoCalibration:
            slot.outcome = kSkipped;
            return false;
        case kCalOrderNotImplemented:
            slot.order_applied = run.record->fit_order;
            return Stop(run, slot, kOrderNotImplemented);
        default:
            return Stop(run, slot, kUnreadable);
    }
}

// The run's record gets the inverse each file's load leaves in it.
void KeepInverse(CalibrationRecord& record, const CalibrationRecord& fitted) {
    const int terms = TermCount(fitted.fit_order);
    std::memcpy(record.inv_xcoef, fitted.inv_xcoef, static_cast<std::size_t>(terms) * sizeof(double));
    std::memcpy(record.inv_ycoef, fitted.inv_ycoef, static_cast<std::size_t>(terms) * sizeof(double));
    record.inverse_ready = fitted.inverse_ready;
}

// The calling thread writes job's output, in order: the camera's first lines
// when a camera begins, then the file's messages and rows. Ends the process
// at a file that ends the run.
void Write(PipelineRun& run, std::size_t job) {
    const Job& current = run.jobs[job];
    if (current.camera_position != run.current_camera) {
        if (run.current_camera >= 0) FinishCameraTables();
        run.current_camera = current.camera_position;
        const int camera = run.camera_list->cameras[run.current_camera];
        std::printf("Summarizing Camera %d\n", camera);
        OpenCameraTables(run.folder, camera);
    }
    Slot& slot = SlotOf(run, job);
    switch (slot.outcome) {
        case kRowsReady:
            if (slot.sweep_limit_reached) {
                PrintSweepLimitWarning(TermCount(slot.scan->record.fit_order));
                PrintSweepLimitFile(slot.path);
            }
            WriteCalibrationRows(slot.fit_coefs_rows, slot.fit_stars_rows);
            KeepInverse(*run.record, slot.scan->record);
            return;
        case kSkipped:
            PrintNoCalibration(slot.path);
            return;
        case kUnreadable:
            PrintCannotRead(slot.path);
            WaitForNumber();
            EndProcess(1);
        case kOrderNotImplemented:
            PrintOrderNotImplemented(slot.order_applied);
            EndProcess(1);
        case kPathTooLong:
            EndForLongPath(run.entries->names[current.entry]);
        case kWorkerFailed:
            EndAfterUnexpectedFailure("Memory not allocated");
    }
}

// The calling thread: applies and writes every job in order, and between
// those steps reads and formats like a worker. Returns when all are
// written; the process may end inside, at a failing file, with the workers
// still running (nothing of theirs is written after that).
void ApplyAndWriteInOrder(PipelineRun& run) {
    std::unique_lock<std::mutex> lock(run.mutex);
    while (run.next_write < run.jobs.size()) {
        bool progressed = false;
        while (run.next_apply < run.jobs.size() && !run.stopped_at_failure &&
               SlotOf(run, run.next_apply).state == Slot::kScanned) {
            const std::size_t job = run.next_apply++;
            lock.unlock();
            const bool format = Apply(run, job);
            lock.lock();
            Slot& slot = SlotOf(run, job);
            if (format) {
                slot.state = Slot::kFormatting;
                run.format_queue.push_back(job);
                WakeAWorker(run);
            } else {
                slot.state = Slot::kReadyToWrite;
            }
            progressed = true;
        }
        while (run.next_write < run.next_apply && SlotOf(run, run.next_write).state == Slot::kReadyToWrite) {
            const std::size_t job = run.next_write;
            lock.unlock();
            Write(run, job);
            lock.lock();
            SlotOf(run, job).state = Slot::kFree;
            ++run.next_write;
            WakeAWorker(run);
            progressed = true;
        }
        if (progressed) continue;
        if (HasWork(run)) {
            DoWork(run, lock);
        } else {
            run.calling_thread_waits = true;
            run.step_done.wait(lock);
            run.calling_thread_waits = false;
        }
    }
    lock.unlock();
    if (run.current_camera >= 0) FinishCameraTables();
}

// The worker threads of a run: started with it, told to stop and joined
// when it is done (or left to the process's end when a failure ends it).
struct Workers {
    PipelineRun& run;
    std::vector<std::thread> threads;
    Workers(PipelineRun& pipeline_run, int count) : run(pipeline_run) {
        for (int w = 0; w < count; ++w) threads.emplace_back([this] { WorkerLoop(run); });
    }
    ~Workers() {
        {
            std::lock_guard<std::mutex> lock(run.mutex);
            run.stopping = true;
        }
        run.work_ready.notify_all();
        for (std::thread& thread : threads) thread.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
};

}  // namespace

void SummarizeCameras(std::string_view folder, const CameraList& camera_list, const ListingEntries& entries,
                      CalibrationRecord& record, SiteRecord& site, int worker_count) {
    if (worker_count <= 1) {
        for (int i = 0; i < camera_list.count; ++i) {
            std::printf("Summarizing Camera %d\n", camera_list.cameras[i]);
            SummarizeCamera(folder, camera_list.cameras[i], entries, record, site);
        }
        return;
    }
    PipelineRun run;
    run.folder = folder;
    run.camera_list = &camera_list;
    run.entries = &entries;
    run.record = &record;
    run.site = &site;
    run.slots.resize(static_cast<std::size_t>(worker_count * kSlotsPerWorker));
    for (int c = 0; c < camera_list.count; ++c) {
        for (int i = 0; i < entries.entry_count; ++i) {
            if (entries.cameras[i] == camera_list.cameras[c]) run.jobs.push_back(Job{i, c});
        }
    }
    // The calling thread works too: with it, worker_count threads share the work.
    Workers workers(run, worker_count - 1);
    ApplyAndWriteInOrder(run);
}
