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
// the star table, and the stars in use.
void CopyForRows(const CalibrationRecord& from, CalibrationRecord& to) {
    std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), offsetof(CalibrationRecord, stars));
    const int stars = from.star_count < 0 ? 0 : from.star_count > kMaxStars ? kMaxStars : from.star_count;
    std::memcpy(to.stars, from.stars, static_cast<std::size_t>(stars) * sizeof(StarEntry));
}

class Pipeline {
  public:
    Pipeline(std::string_view folder, const CameraList& camera_list, const ListingEntries& entries,
             CalibrationRecord& record, SiteRecord& site, int worker_count)
        : folder_(folder),
          camera_list_(camera_list),
          entries_(entries),
          record_(record),
          site_(site),
          slots_(static_cast<std::size_t>(worker_count * kSlotsPerWorker)) {
        for (int c = 0; c < camera_list.count; ++c) {
            for (int i = 0; i < entries.entry_count; ++i) {
                if (entries.cameras[i] == camera_list.cameras[c]) jobs_.push_back(Job{i, c});
            }
        }
        // The calling thread works too, between applying and writing: with
        // it, worker_count threads share the work.
        for (int w = 1; w < worker_count; ++w) workers_.emplace_back([this] { WorkerLoop(); });
    }

    // Applies and writes every job in order; returns when all are written.
    // The process may end inside, at a failing file, with the workers still
    // running: nothing of theirs is written after that.
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (next_write_ < jobs_.size()) {
            bool progressed = false;
            while (next_apply_ < jobs_.size() && !stopped_at_failure_ &&
                   SlotOf(next_apply_).state == Slot::kScanned) {
                const std::size_t job = next_apply_++;
                lock.unlock();
                const bool format = Apply(job);
                lock.lock();
                Slot& slot = SlotOf(job);
                if (format) {
                    slot.state = Slot::kFormatting;
                    format_queue_.push_back(job);
                    WakeAWorker();
                } else {
                    slot.state = Slot::kReadyToWrite;
                }
                progressed = true;
            }
            while (next_write_ < next_apply_ && SlotOf(next_write_).state == Slot::kReadyToWrite) {
                const std::size_t job = next_write_;
                lock.unlock();
                Write(job);
                lock.lock();
                SlotOf(job).state = Slot::kFree;
                ++next_write_;
                WakeAWorker();
                progressed = true;
            }
            if (progressed) continue;
            if (HasWork()) {
                DoWork(lock);
            } else {
                calling_thread_waits_ = true;
                step_done_.wait(lock);
                calling_thread_waits_ = false;
            }
        }
        lock.unlock();
        if (current_camera_ >= 0) FinishCameraTables();
    }

    ~Pipeline() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        work_ready_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

  private:
    Slot& SlotOf(std::size_t job) { return slots_[job % slots_.size()]; }

    // Wakes a worker if one waits for work (with the lock held). A wake is a
    // system call; the threads keep count so as to make none in vain.
    void WakeAWorker() {
        if (waiting_workers_ > 0) work_ready_.notify_one();
    }

    // Whether a file waits to be formatted or can be read (with the lock held).
    bool HasWork() const {
        return !format_queue_.empty() ||
               (next_scan_ < jobs_.size() && next_scan_ < next_write_ + slots_.size());
    }

    // Workers: format what is applied first (it frees slots), otherwise read
    // the next file, as long as it has a free slot.
    void WorkerLoop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (!stopping_ && !HasWork()) {
                ++waiting_workers_;
                work_ready_.wait(lock, [this] { return stopping_ || HasWork(); });
                --waiting_workers_;
            }
            if (stopping_) return;
            DoWork(lock);
        }
    }

    // Takes one piece of work (HasWork() must hold), does it with the lock
    // released, and reports it done (with the lock held again).
    void DoWork(std::unique_lock<std::mutex>& lock) {
        std::size_t job = 0;
        const bool format = !format_queue_.empty();
        if (format) {
            job = format_queue_.front();
            format_queue_.pop_front();
        } else {
            job = next_scan_++;
            SlotOf(job).state = Slot::kScanning;
        }
        lock.unlock();
        if (format) {
            Format(SlotOf(job));
        } else {
            Scan(job);
        }
        lock.lock();
        if (!format) SlotOf(job).state = Slot::kScanned;
        if (format) SlotOf(job).state = Slot::kReadyToWrite;
        // The calling thread waits for the next file to apply or to write;
        // any other file it finds done when it gets there.
        if (calling_thread_waits_ && (job == next_apply_ || job == next_write_)) step_done_.notify_one();
        // More work may have come in while this thread was busy.
        if (HasWork()) WakeAWorker();
    }

    // A worker reads job's file into its slot. The fit order assumed for a
    // file that gives none is 0; the applying thread reads such a file again
    // when the run's order says otherwise.
    void Scan(std::size_t job) {
        Slot& slot = SlotOf(job);
        const int entry = jobs_[job].entry;
        try {
            slot.worker_failed = false;
            slot.path_fits = FormCalibrationPath(folder_, entries_.names[entry], slot.path);
            if (slot.path_fits) ScanCALfile(slot.path, 0, *slot.scan);
        } catch (const std::exception&) {
            slot.worker_failed = true;
        }
    }

    // A worker fits the inverse of an applied calibration and forms its rows.
    void Format(Slot& slot) {
        try {
            slot.sweep_limit_reached = FitInversePolynomial(slot.scan->record);
            AppendCalibrationRows(slot.scan->record, slot.fit_coefs_rows, slot.fit_stars_rows);
        } catch (const std::exception&) {
            slot.outcome = kWorkerFailed;
        }
    }

    // The calling thread lays job's values over the run's records, in order.
    // Returns true when the file's rows are to be formatted.
    bool Apply(std::size_t job) {
        Slot& slot = SlotOf(job);
        if (slot.worker_failed) return Stop(slot, kWorkerFailed);
        if (!slot.path_fits) return Stop(slot, kPathTooLong);
        CalApplyResult result = ApplyCALscan(slot.path, *slot.scan, record_, site_);
        if (result == kCalRescanNeeded) {
            ScanCALfile(slot.path, record_.fit_order, *slot.scan);
            result = ApplyCALscan(slot.path, *slot.scan, record_, site_);
        }
        switch (result) {
            case kCalApplied:
                slot.outcome = kRowsReady;
                CopyForRows(record_, slot.scan->record);
                return true;
            case kCalNoCalibration:
                slot.outcome = kSkipped;
                return false;
            case kCalOrderNotImplemented:
                slot.order_applied = record_.fit_order;
                return Stop(slot, kOrderNotImplemented);
            default:
                return Stop(slot, kUnreadable);
        }
    }

    // A file that ends the run: nothing after it is applied.
    bool Stop(Slot& slot, JobOutcome outcome) {
        slot.outcome = outcome;
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_at_failure_ = true;
        return false;
    }

    // The calling thread writes job's output, in order: the camera's first
    // lines when a camera begins, then the file's messages and rows.
    void Write(std::size_t job) {
        const Job& current = jobs_[job];
        if (current.camera_position != current_camera_) {
            if (current_camera_ >= 0) FinishCameraTables();
            current_camera_ = current.camera_position;
            const int camera = camera_list_.cameras[current_camera_];
            std::printf("Summarizing Camera %d\n", camera);
            OpenCameraTables(folder_, camera);
        }
        Slot& slot = SlotOf(job);
        switch (slot.outcome) {
            case kRowsReady:
                if (slot.sweep_limit_reached) PrintSweepLimitWarning(TermCount(slot.scan->record.fit_order));
                WriteCalibrationRows(slot.fit_coefs_rows, slot.fit_stars_rows);
                KeepInverse(slot.scan->record);
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
                EndForLongPath(entries_.names[current.entry]);
            case kWorkerFailed:
                EndAfterUnexpectedFailure("Memory not allocated");
        }
    }

    // The run's record gets the inverse each file's load leaves in it.
    void KeepInverse(const CalibrationRecord& fitted) {
        const int terms = TermCount(fitted.fit_order);
        std::memcpy(record_.inv_xcoef, fitted.inv_xcoef, static_cast<std::size_t>(terms) * sizeof(double));
        std::memcpy(record_.inv_ycoef, fitted.inv_ycoef, static_cast<std::size_t>(terms) * sizeof(double));
        record_.inverse_ready = fitted.inverse_ready;
    }

    const std::string_view folder_;
    const CameraList& camera_list_;
    const ListingEntries& entries_;
    CalibrationRecord& record_;
    SiteRecord& site_;
    std::vector<Job> jobs_;
    std::vector<Slot> slots_;
    std::vector<std::thread> workers_;
    int current_camera_ = -1;  // used by the calling thread only

    std::mutex mutex_;
    std::condition_variable work_ready_;  // workers wait here
    std::condition_variable step_done_;   // the calling thread waits here
    std::size_t next_scan_ = 0;
    std::size_t next_apply_ = 0;
    std::size_t next_write_ = 0;
    std::deque<std::size_t> format_queue_;
    bool stopped_at_failure_ = false;
    bool stopping_ = false;
    int waiting_workers_ = 0;
    bool calling_thread_waits_ = false;
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
    Pipeline pipeline(folder, camera_list, entries, record, site, worker_count);
    pipeline.Run();
}
