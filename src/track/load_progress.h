/*
 * load_progress.h - how far the load of a track has come, and who is told.
 *
 * The reader and the load driver write it as they go; what reports on the
 * load reads it: a message of not enough memory, the progress line on the
 * terminal (terminal_progress.h), the progress bar of the window.  Those
 * are listeners: each is told at every step, every PROGRESS_REPORT_BYTES
 * read, every PROGRESS_REPORT_WORK pieces of work of a later step, and
 * before the load prints a message; each decides for itself, by the clock
 * it is handed, whether to show anything.
 *
 * Entry points: LoadStep, LoadProgress, ProgressEvent, ProgressListener,
 * load_progress, load_step_name(), start_load_progress(), set_load_size(),
 * count_bytes_read(), enter_load_step(), count_load_work(),
 * before_load_message(), finish_load_progress(), add_progress_listener(),
 * remove_progress_listener(), PROGRESS_REPORT_BYTES, PROGRESS_REPORT_WORK.
 */
#ifndef KESTRIM_LOAD_PROGRESS_H
#define KESTRIM_LOAD_PROGRESS_H

/* The steps of a load, in their order. */
enum LoadStep {
    LOAD_IDLE,       /* no load under way */
    LOAD_READING,    /* the file into frames */
    LOAD_CENTRING,   /* extent and centre of gravity */
    LOAD_FITTING,    /* the frames' curves */
    LOAD_SAMPLING,   /* the three curve lists */
    LOAD_STATISTICS, /* what is left to wait of the figures */
};

struct LoadProgress {
    long long bytes_total;  /* of the file being read; 0 when not known */
    long long bytes_read;   /* of it so far */
    long long bytes_before; /* of address space the program took when the load began */
    LoadStep step;          /* under way */
    double started;         /* monotonic seconds when the load began */
    double now;             /* monotonic seconds when the listeners were last told */
};

extern LoadProgress load_progress;

enum {
    PROGRESS_REPORT_BYTES = 1 << 20, /* read between two reports */
    PROGRESS_REPORT_WORK = 16384,    /* pieces of work (frames) between two reports */
};

/* What a listener is told of. */
enum ProgressEvent {
    PROGRESS_MOVED,   /* more was read or done */
    PROGRESS_STEP,    /* a new step began */
    PROGRESS_MESSAGE, /* the load is about to print a line */
    PROGRESS_DONE,    /* the load is over */
};

typedef void (*ProgressListener)(const LoadProgress& progress, ProgressEvent event);

/* The step's short word for people: "reading", "fitting". */
const char* load_step_name(LoadStep step);

/* A new load of a file of bytes_total bytes (0: not known): the reading step. */
void start_load_progress(long long bytes_total);

/* The reader knows the file's size now: bytes_total, none of it read yet. */
void set_load_size(long long bytes_total);

/* The reader has read bytes more. */
void count_bytes_read(long long bytes);

/* The load goes on to step. */
void enter_load_step(LoadStep step);

/* One piece of work of a later step done (a frame fitted or sampled);
   nothing outside a load.  Costs an increment and a comparison. */
extern long long load_work_to_report;
void report_load_work();
inline void count_load_work()
{
    if (--load_work_to_report <= 0)
        report_load_work();
}

/* The load is about to print a line: a line shown on the terminal goes first. */
void before_load_message();

/* The load is over (or ends): the listeners take down what they show. */
void finish_load_progress();

/* At most four listeners at once; one added twice is told once. */
void add_progress_listener(ProgressListener listener);
void remove_progress_listener(ProgressListener listener);

#endif
