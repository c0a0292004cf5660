#include "input/linesource.h"

#include <QIODevice>
#include <QTextCodec>
#include <QTextDecoder>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int kUtf8 = 106;
constexpr std::size_t kChunk = 64 * 1024;

} // namespace

LineSource::LineSource(QIODevice& device) : device(device), wasTextMode(device.isTextModeEnabled())
{
    device.setTextModeEnabled(false);
    if (bytePathFits())
        return;
    device.setTextModeEnabled(true);
    stream = std::make_unique<QTextStream>(&device);
}

LineSource::~LineSource()
{
    stream.reset();
    device.setTextModeEnabled(wasTextMode);
}

bool LineSource::bytePathFits()
{
    // The stream picks its encoding from the first bytes it reads, after
    // text mode has dropped carriage returns: a byte-order mark of UTF-16 or
    // UTF-32 (led by 0x00, 0xFE or 0xFF) switches it away from the locale's.
    // A carriage return among them could hide or make such a mark, and a
    // sequential device cannot show its first bytes before they are read.
    if (device.isSequential())
        return false;
    const QByteArray head = device.peek(4);
    if (head.contains('\r'))
        return false;
    const auto first = head.isEmpty() ? 0x20 : uchar(head.at(0));
    if (first == 0x00 || first == 0xFE || first == 0xFF)
        return false;
    // A UTF-8 mark makes the stream read UTF-8 whatever the locale's
    // encoding, and it is not part of the text.
    if (head.startsWith("\xEF\xBB\xBF"))
        device.read(3);
    else if (QTextCodec::codecForLocale()->mibEnum() != kUtf8)
        return false;
    // A small file needs no more than its own size.
    const qint64 available = device.bytesAvailable();
    capacity = available >= 0 && available < qint64(kChunk) ? std::size_t(available) + 1 : kChunk;
    buffer = std::make_unique<char[]>(capacity);
    return true;
}

void LineSource::refill()
{
    if (start > 0) {
        std::memmove(buffer.get(), buffer.get() + start, filled - start);
        filled -= start;
        start = 0;
    }
    // A line longer than the buffer makes it grow to hold the line.
    if (filled == capacity) {
        auto larger = std::make_unique<char[]>(2 * capacity);
        std::memcpy(larger.get(), buffer.get(), filled);
        buffer = std::move(larger);
        capacity *= 2;
    }
    const qint64 got = device.read(buffer.get() + filled, qint64(capacity - filled));
    if (got <= 0)
        atEnd = true;
    else
        filled += std::size_t(got);
}

bool LineSource::next()
{
    if (stream)
        return stream->readLineInto(&streamLine);
    for (;;) {
        const char* from = buffer.get() + start;
        const std::size_t left = filled - start;
        // A long line comes in over several reads; its start is searched once.
        const auto* feed =
            static_cast<const char*>(std::memchr(from + searched, '\n', left - searched));
        if (feed || (atEnd && left > 0)) {
            lineBegin = from;
            lineEnd = feed ? feed : from + left;
            terminated = feed != nullptr;
            start += std::size_t(lineEnd - from) + (feed ? 1 : 0);
            searched = 0;
            if (lineEnd > lineBegin && lineEnd[-1] == '\r')
                --lineEnd;
            return true;
        }
        if (atEnd)
            return false;
        searched = left;
        refill();
    }
}

QString LineSource::text()
{
    if (stream)
        return streamLine;
    // Beyond what a string can hold, as it would be for the stream.
    if (lineEnd - lineBegin >= std::numeric_limits<int>::max())
        qBadAlloc();
    const auto size = int(lineEnd - lineBegin);
    const bool plain =
        std::all_of(lineBegin, lineEnd, [](char c) { return c != '\r' && uchar(c) < 0x80; });
    if (plain)
        return QString::fromLatin1(lineBegin, size);

    // Text mode drops every carriage return before decoding. The line feed
    // goes through the decoder as in the stream, so that a sequence cut
    // short by it decodes as the stream decodes it; the decoder is clean
    // after every line feed, so the lines it is not given do not matter.
    QByteArray bytes;
    bytes.reserve(size + 1);
    std::copy_if(lineBegin, lineEnd, std::back_inserter(bytes), [](char c) { return c != '\r'; });
    if (terminated)
        bytes.append('\n');
    // Marks after the start are text.
    if (!decoder)
        decoder = std::make_unique<QTextDecoder>(QTextCodec::codecForMib(kUtf8),
                                                 QTextCodec::IgnoreHeader);
    QString line = decoder->toUnicode(bytes);
    if (terminated)
        line.chop(1);
    return line;
}
