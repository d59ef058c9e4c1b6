#include "PacketReadAhead.h"

#include "DataPacket.h"

#include <QFileInfo>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// What waits read at most, unless it is a single file.
constexpr qint64 kAheadBytes = 64 * 1024 * 1024;

struct ReadFile
{
    qsizetype index = 0;
    qint64 bytes = 0;
    bool ok = false;
    PacketData packet;
    QString error;
};

} // namespace

struct PacketReadAhead::Private
{
    QStringList paths;
    qsizetype ahead = 1;
    std::mutex mutex;
    std::condition_variable changed;
    // Read and not yet taken, in the order of paths.
    std::deque<ReadFile> ready;
    // Their size on disk: big files are not read far ahead.
    qint64 readyBytes = 0;
    // The first path the caller may still ask for: those before it are
    // taken or passed over.
    qsizetype next = 0;
    bool stopping = false;
    std::thread reader;

    void run();
};

void PacketReadAhead::Private::run()
{
    // The files of a folder mostly declare the same columns. Those of the
    // one before are passed on then, and this thread frees the copy it read:
    // memory one thread allocates and another frees makes both wait on the
    // allocator.
    QList<FieldDef> lastFields;
    QList<PacketProperty> lastProperties;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] {
                return stopping
                    || (qsizetype(ready.size()) < ahead
                        && (ready.empty() || readyBytes < kAheadBytes));
            });
            if (stopping)
                return;
            // The caller went past this one already.
            if (i < next)
                continue;
        }
        ReadFile file;
        file.index = i;
        file.bytes = QFileInfo(paths.at(i)).size();
        file.ok = DataPacket::loadFromFile(paths.at(i), file.packet, &file.error);
        if (file.packet.fields == lastFields)
            file.packet.fields = lastFields;
        else
            lastFields = file.packet.fields;
        if (file.packet.tableProperties == lastProperties)
            file.packet.tableProperties = lastProperties;
        else
            lastProperties = file.packet.tableProperties;
        std::lock_guard lock(mutex);
        if (stopping)
            return;
        readyBytes += file.bytes;
        ready.push_back(std::move(file));
        changed.notify_all();
    }
}

PacketReadAhead::PacketReadAhead(QStringList paths, int ahead)
    : d(std::make_unique<Private>())
{
    d->paths = std::move(paths);
    d->ahead = qMax(1, ahead);
    if (!d->paths.isEmpty())
        d->reader = std::thread([this] { d->run(); });
}

PacketReadAhead::~PacketReadAhead()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->changed.notify_all();
    if (d->reader.joinable())
        d->reader.join();
}

bool PacketReadAhead::load(const QString &path, PacketData &out, QString *error)
{
    std::unique_lock lock(d->mutex);
    qsizetype index = d->next;
    while (index < d->paths.size() && d->paths.at(index) != path)
        ++index;
    if (index == d->paths.size() || !d->reader.joinable()) {
        lock.unlock();
        return DataPacket::loadFromFile(path, out, error);
    }
    // The ones passed over are dropped as they come, or not read at all.
    d->next = index;
    for (;;) {
        while (!d->ready.empty() && d->ready.front().index < index) {
            d->readyBytes -= d->ready.front().bytes;
            d->ready.pop_front();
            d->changed.notify_all();
        }
        if (!d->ready.empty())
            break;
        d->changed.wait(lock);
    }
    ReadFile file = std::move(d->ready.front());
    d->readyBytes -= file.bytes;
    d->ready.pop_front();
    d->next = index + 1;
    d->changed.notify_all();
    lock.unlock();
    out = std::move(file.packet);
    if (error && !file.ok)
        *error = file.error;
    return file.ok;
}
