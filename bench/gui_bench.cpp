// End-to-end timings of the reader view on large books, under the offscreen platform: Open
// confirmed in the file dialog to the list shown with row 0's item displayed, the display of a
// random item, a search for a name near the end of the list, a search of the text from the
// first item to the last and one auto-view step; each a
// median over several runs, with the process's peak resident set and the index's own memory.
//
//   gui_bench [--runs N] [--cache DIR] [--open-only] [--long-lines]
//             [FORMAT:ITEMS:BYTES|FORMAT:ITEMS:PATH ...]
//
// --long-lines times instead a book of one item whose title and body are each one line of 1 MB
// and of 10 MB without a space: the Open and the item shown again, both drawn.
//
// --open-only times the Open alone and prints one line a book, "open PATH WALL_MS CPU_MS
// FIRST_WALL_MS FIRST_CPU_MS", for compare.sh: the medians, then the process's first Open, the
// only one a user gets, with nothing warmed but the page cache. A PATH (from /) names a book
// that exists, such as one of make-real-books.
//
// The books are made by make-book with seed 1 in the cache folder (default
// $TOMLET_BENCH_BOOKS or /tmp/tomlet-bench-books) and kept there for later runs; the defaults
// are a 150 MiB marked-text book of 200,000 items, a 1 GiB one of 1,000,000 items and a CVD
// book of 1,000,000 records.

#include "BookDlg.h"
#include "ItemNames.h"
#include "ListBox.h"
#include "TestSeams.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct SBookPlan {
    QString format; // txt or cvd
    int items = 0;
    QString bytes; // as make-book takes it: 150M, 1G; or the path of a book that exists
};

struct STimes {
    std::vector<double> wall; // ms
    std::vector<double> cpu;  // ms, this process
};

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Times fn once into times, wall clock and the process's CPU clock.
void Time(STimes& times, const std::function<void()>& fn) {
    const double cpu = CpuMs();
    QElapsedTimer clock;
    clock.start();
    fn();
    times.wall.push_back(clock.nsecsElapsed() / 1e6);
    times.cpu.push_back(CpuMs() - cpu);
}

// A field of /proc/self/status in bytes (VmRSS, VmHWM).
qint64 StatusBytes(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').front().toLongLong() * 1024;
    }
    return -1;
}

// The largest anonymous and file-backed resident sets (RssAnon, RssFile) seen while it lives,
// sampled every half millisecond on a thread of its own: how much of a peak is the book's
// page-cache pages, mapped, and how much memory of the process's own.
class CResidentSampler {
public:
    CResidentSampler()
        : m_thread([this] {
              while (!m_bStop.load()) {
                  m_nAnon = std::max(m_nAnon, StatusBytes("RssAnon"));
                  m_nFile = std::max(m_nFile, StatusBytes("RssFile"));
                  std::this_thread::sleep_for(std::chrono::microseconds(500));
              }
          }) {}
    // Stops sampling; the peaks are then final.
    void Stop() {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    ~CResidentSampler() { Stop(); }
    qint64 Anon() const { return m_nAnon; }
    qint64 File() const { return m_nFile; }

private:
    std::atomic<bool> m_bStop{false};
    qint64 m_nAnon = 0;
    qint64 m_nFile = 0;
    std::thread m_thread;
};

// Starts the peak resident set (VmHWM) again from the current one.
void ResetPeak() {
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

QString LoadAverage() {
    QFile load("/proc/loadavg");
    if (!load.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QList<QByteArray> fields = load.readAll().split(' ');
    return QString::fromLatin1(fields.mid(0, 3).join(' '));
}

// Bytes the process's heap hands out now, large blocks included.
qint64 HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
}

double Mib(qint64 bytes) {
    return bytes / (1024.0 * 1024.0);
}

// The cached book of that plan, made on first use; empty when make-book failed.
QString Book(const QString& cache, const SBookPlan& plan) {
    if (plan.bytes.startsWith('/'))
        return QFileInfo(plan.bytes).size() > 0 ? plan.bytes : QString();
    const QString path = QDir(cache).filePath(
        QStringLiteral("book-%1-%2-s1.%3").arg(plan.items).arg(plan.bytes, plan.format));
    if (QFileInfo(path).size() > 0)
        return path;
    std::fprintf(stderr, "making %s\n", qPrintable(path));
    const QString part = path + QStringLiteral(".part");
    const int status =
        QProcess::execute(QStringLiteral(TOMLET_MAKE_BOOK),
                          {"--format", plan.format, "--items", QString::number(plan.items),
                           "--bytes", plan.bytes, "--seed", "1", part});
    if (status != 0 || !QFile::rename(part, path))
        return {};
    return path;
}

// Reads the book once through the page cache, so that every run starts from the same place.
void WarmCache(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    std::vector<char> buffer(1 << 20);
    while (file.read(buffer.data(), static_cast<qint64>(buffer.size())) > 0) {
    }
}

class CViewBench {
public:
    CViewBench(const QString& settingsPath, int runs, bool openOnly)
        : m_settingsPath(settingsPath), m_nRuns(runs), m_bOpenOnly(openOnly),
          m_messageSeam(MessageBoxSeam(), [this](const QString& text) { m_messages << text; }) {}

    bool Run(const SBookPlan& plan, const QString& path);
    bool RunLongLine(const QString& cache, int length);

private:
    std::unique_ptr<CBookDlg> NewView() const;
    void WriteSettings(int order) const;
    static void DrawNow(CBookDlg& view);
    bool Open(CBookDlg& view, const QString& path, int items);
    static QString Title(const CBookDlg& view);

    QString m_settingsPath;
    int m_nRuns;
    bool m_bOpenOnly;
    QStringList m_messages;
    CSeamGuard<MessageBoxHandler> m_messageSeam;
};

void CViewBench::WriteSettings(int order) const {
    QFile file(m_settingsPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    // Period 1000 ms, then the order, little-endian, in the 10-byte record.
    QByteArray record(10, '\0');
    record[0] = static_cast<char>(0xE8);
    record[1] = 0x03;
    record[4] = static_cast<char>(order);
    file.write(record);
}

std::unique_ptr<CBookDlg> CViewBench::NewView() const {
    auto view = std::make_unique<CBookDlg>();
    view->resize(480, 640);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        std::fprintf(stderr, "gui_bench: the view was not exposed\n");
    return view;
}

// Paints the whole view with its list and edits now, as the screen would show it.
void CViewBench::DrawNow(CBookDlg& view) {
    view.repaint();
}

QString CViewBench::Title(const CBookDlg& view) {
    return view.findChild<QPlainTextEdit*>("IDC_TITLE")->toPlainText();
}

// Open confirmed in the file dialog, then the event loop runs until every row is listed, row 0
// is selected and its item shown, and the view is drawn.
bool CViewBench::Open(CBookDlg& view, const QString& path, int items) {
    CSeamGuard<FileDialogHandler> chooser(FileDialogSeam(), [path] { return path; });
    view.OnBookOpen();
    const QAbstractItemModel* model = view.ItemList()->model();
    QElapsedTimer patience;
    patience.start();
    while (!(view.LastIndex() == items - 1 && model->rowCount() == items &&
             view.ItemList()->GetCurSel() == 0 && !Title(view).isEmpty())) {
        if (patience.elapsed() > 120000 || !m_messages.isEmpty())
            return false;
        QApplication::processEvents();
    }
    DrawNow(view);
    return true;
}

bool CViewBench::Run(const SBookPlan& plan, const QString& path) {
    const qint64 fileBytes = QFileInfo(path).size();
    if (!m_bOpenOnly)
        std::printf("\n%s: %s, %lld bytes (%.0f MiB), %d items\n", qPrintable(plan.format),
                    qPrintable(QFileInfo(path).fileName()), static_cast<long long>(fileBytes),
                    Mib(fileBytes), plan.items);
    if (!m_bOpenOnly)
        std::printf("  load average before: %s\n", qPrintable(LoadAverage()));
    WarmCache(path);
    WarmCache(path);

    STimes open, firstOpen, display, search, find, textFind, stepInOrder, stepAtRandom;
    qint64 baseline = 0, afterOpen = 0, afterTrim = 0, heapGrowth = 0, peak = 0;
    qint64 anonBefore = 0, fileBefore = 0, peakAnon = 0, peakFile = 0, fileAfterTrim = 0;
    double namesBytes = 0;
    int found = -1, textFound = -1;
    QString term;
    std::mt19937 random(1);

    // One run more than counted: the first warms the allocator and the glyph caches.
    for (int run = 0; run <= m_nRuns; ++run) {
        WriteSettings(/*order=*/0);
        auto view = NewView();
        QApplication::processEvents();
        // Free heap goes back to the system first, so the growth after Open is the index's.
        malloc_trim(0);
        baseline = StatusBytes("VmRSS");
        const qint64 heapBefore = HeapInUse();
        ResetPeak();
        anonBefore = StatusBytes("RssAnon");
        fileBefore = StatusBytes("RssFile");
        std::optional<CResidentSampler> sampler;
        if (!m_bOpenOnly)
            sampler.emplace();

        STimes once;
        bool ok = true;
        Time(once, [&] { ok = Open(*view, path, plan.items); });
        if (!ok) {
            std::fprintf(stderr, "gui_bench: %s did not open as made: %d rows, messages: %s\n",
                         qPrintable(path), view->ItemList()->GetCount(),
                         qPrintable(m_messages.join(" | ")));
            return false;
        }
        peak = std::max(peak, StatusBytes("VmHWM") - baseline);
        if (sampler) {
            sampler->Stop();
            peakAnon = std::max(peakAnon, sampler->Anon() - anonBefore);
            peakFile = std::max(peakFile, sampler->File() - fileBefore);
        }
        afterOpen = StatusBytes("VmRSS");
        heapGrowth = HeapInUse() - heapBefore;
        malloc_trim(0);
        afterTrim = StatusBytes("VmRSS");
        fileAfterTrim = StatusBytes("RssFile") - fileBefore;
        STimes& counted = run > 0 ? open : firstOpen;
        counted.wall.push_back(once.wall.front());
        counted.cpu.push_back(once.cpu.front());
        if (m_bOpenOnly)
            continue;

        CListBox& list = *view->ItemList();
        const CItemNames& names = view->Book().Names();
        namesBytes = static_cast<double>(names.NameBytes());

        // Random items, each selected and shown as a click would, then drawn.
        std::uniform_int_distribution<int> anyRow(0, plan.items - 1);
        for (int i = 0; i < 20; ++i) {
            const int row = anyRow(random);
            Time(display, [&] {
                list.SetCurSel(row);
                view->ShowSelectedItem();
                DrawNow(*view);
            });
        }

        // A name near the end, searched from row 0: the search passes nearly every row.
        const int target = plan.items - 1 - plan.items / 1000;
        term = list.GetText(target);
        list.SetCurSel(0);
        Time(find, [&] { found = list.FindString(0, term); });
        list.SetCurSel(0);
        Time(search, [&] {
            view->FindItemName(term);
            DrawNow(*view);
        });

        // The last item's name, which no other item holds, looked for in the text from row 0:
        // every byte of the book is read.
        const QString lastName = list.GetText(plan.items - 1);
        list.SetCurSel(0);
        view->ShowSelectedItem();
        Time(textFind, [&] {
            view->FindText(lastName, true);
            DrawNow(*view);
        });
        textFound = list.GetCurSel();

        // Auto-view steps in file order and at random, as the timer would run them.
        for (int i = 0; i < 20; ++i)
            Time(stepInOrder, [&] {
                view->OnTimer();
                DrawNow(*view);
            });
        WriteSettings(/*order=*/1);
        view->LoadSettings();
        for (int i = 0; i < 20; ++i)
            Time(stepAtRandom, [&] {
                view->OnTimer();
                DrawNow(*view);
            });
        if (!m_messages.isEmpty()) {
            std::fprintf(stderr, "gui_bench: messages: %s\n", qPrintable(m_messages.join(" | ")));
            return false;
        }
    }

    if (m_bOpenOnly) {
        std::printf("open %s %.3f %.3f %.3f %.3f\n", qPrintable(path), Median(open.wall),
                    Median(open.cpu), Median(firstOpen.wall), Median(firstOpen.cpu));
        std::fflush(stdout);
        return true;
    }
    auto line = [](const char* what, const STimes& times) {
        std::printf("  %-46s %9.3f ms wall %9.3f ms CPU  (max %.3f ms, %zu timings)\n", what,
                    Median(times.wall), Median(times.cpu),
                    *std::max_element(times.wall.begin(), times.wall.end()), times.wall.size());
    };
    line("Open -> listed, item 0 shown and drawn", open);
    line("the first Open of the process (not counted above)", firstOpen);
    line("random item selected, shown and drawn", display);
    line("search FindItemName near the end, drawn", search);
    std::printf("    (row %d found for the name of row %d; the prefix search alone: %.3f ms)\n",
                found, plan.items - 1 - plan.items / 1000, Median(find.wall));
    line("find in the text, row 0 to the last, drawn", textFind);
    std::printf("    (row %d found for the last row's name)\n", textFound);
    line("auto-view step in order, drawn", stepInOrder);
    line("auto-view step at random, drawn", stepAtRandom);

    // The index's own memory: the names' bytes, and per item the pool's start (4 bytes),
    // the offset table's entry (4) and the list view's flow position (4).
    auto perItem = [&](qint64 bytes) { return (bytes - namesBytes) / plan.items; };
    std::printf("  names, as kept: %.1f MiB (%.1f bytes an item)\n", Mib(namesBytes),
                namesBytes / plan.items);
    std::printf("  index, over the empty view, less the names, in bytes an item (budget 16):\n"
                "    heap in use %.1f (%.1f MiB in all); resident %.1f (%.1f MiB), %.1f after "
                "malloc_trim (%.1f MiB)\n",
                perItem(heapGrowth), Mib(heapGrowth), perItem(afterOpen - baseline),
                Mib(afterOpen - baseline), perItem(afterTrim - baseline),
                Mib(afterTrim - baseline));
    std::printf(
        "    of the resident after malloc_trim, %.1f MiB file pages still mapped (RssFile)\n",
        Mib(fileAfterTrim));
    std::printf("  peak resident set during Open, over the empty view: %.1f MiB (the book: %.1f "
                "MiB); process peak %.1f MiB\n",
                Mib(peak), Mib(fileBytes), Mib(StatusBytes("VmHWM")));
    std::printf(
        "    of it at most %.1f MiB the book's pages mapped from the page cache (RssFile), at "
        "most %.1f MiB the process's own (RssAnon), sampled every 0.5 ms\n",
        Mib(peakFile), Mib(peakAnon));
    std::printf("  load average after: %s\n", qPrintable(LoadAverage()));
    std::fflush(stdout);
    return true;
}

bool CViewBench::RunLongLine(const QString& cache, int length) {
    const QString path = QDir(cache).filePath(QStringLiteral("line-%1.txt").arg(length));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray line(length, 'n');
    file.write(line + "///" + line + "\n");
    file.close();
    WriteSettings(/*order=*/0);
    STimes open, again;
    for (int run = 0; run <= m_nRuns; ++run) {
        auto view = NewView();
        QApplication::processEvents();
        STimes once;
        bool ok = true;
        Time(once, [&] { ok = Open(*view, path, 1); });
        if (!ok) {
            std::fprintf(stderr, "gui_bench: %s did not open: %s\n", qPrintable(path),
                         qPrintable(m_messages.join(" | ")));
            return false;
        }
        Time(again, [&] {
            view->ShowSelectedItem();
            DrawNow(*view);
        });
        if (run > 0)
            open.wall.push_back(once.wall.front());
    }
    std::printf("  line of %d letters without a space: Open, shown and drawn %.1f ms; shown "
                "again %.1f ms (wall, median)\n",
                length, Median(open.wall), Median(again.wall));
    std::fflush(stdout);
    return true;
}

// The offscreen platform's notes about window hints would fill the report; the rest is kept.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);

    int runs = qEnvironmentVariableIntValue("RUNS");
    if (runs <= 0)
        runs = 5;
    QString cache = qEnvironmentVariable("TOMLET_BENCH_BOOKS", "/tmp/tomlet-bench-books");
    bool openOnly = false;
    bool longLines = false;
    std::vector<SBookPlan> books;
    const QStringList args = QApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--runs" && i + 1 < args.size()) {
            runs = std::max(1, args[++i].toInt());
        } else if (args[i] == "--long-lines") {
            longLines = true;
        } else if (args[i] == "--open-only") {
            openOnly = true;
        } else if (args[i] == "--cache" && i + 1 < args.size()) {
            cache = args[++i];
        } else {
            const QStringList parts = args[i].split(':');
            if (parts.size() != 3 || (parts[0] != "txt" && parts[0] != "cvd") ||
                parts[1].toInt() <= 0) {
                std::fprintf(stderr,
                             "usage: gui_bench [--runs N] [--cache DIR] [--open-only] "
                             "[FORMAT:ITEMS:BYTES|FORMAT:ITEMS:PATH ...]\n"
                             "  FORMAT txt or cvd; BYTES as make-book takes it (150M, 1G)\n");
                return 2;
            }
            books.push_back({parts[0], parts[1].toInt(), parts[2]});
        }
    }
    if (books.empty())
        books = {{"txt", 200000, "150M"}, {"txt", 1000000, "1G"}, {"cvd", 1000000, "200M"}};
    QDir().mkpath(cache);

    // The view reads its settings as it is made; this file always holds a whole record.
    QTemporaryDir settings;
    qputenv("TOMLET_SETTINGS", QFile::encodeName(settings.filePath("Tomlet.set")));

    if (!openOnly)
        std::printf("gui_bench: offscreen reader view, median of %d runs after one warm-up, %d "
                    "cores\n",
                    runs, QThread::idealThreadCount());
    CViewBench bench(settings.filePath("Tomlet.set"), runs, openOnly);
    if (longLines)
        return bench.RunLongLine(cache, 1 << 20) && bench.RunLongLine(cache, 10 << 20) ? 0 : 1;
    for (const SBookPlan& plan : books) {
        const QString path = Book(cache, plan);
        if (path.isEmpty()) {
            std::fprintf(stderr, "gui_bench: make-book failed for %s\n", qPrintable(plan.format));
            return 1;
        }
        if (!bench.Run(plan, path))
            return 1;
    }
    return 0;
}
