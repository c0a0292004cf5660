#pragma once

#include <QString>

#include <memory>

class QIODevice;
class QTextDecoder;
class QTextStream;

// The lines of a measurement file as the readers see them: what a text
// stream reading the device in text mode in the locale's encoding gives
// (every carriage return dropped, a UTF-8 byte-order mark at the start
// dropped, lines ended by a line feed).
//
// For a UTF-8 source the lines are handed out as their raw bytes, so the
// readers can take plain ASCII lines apart without decoding them; any line
// they cannot decide on its bytes they take as text(). Sources the byte
// path does not cover (other encodings, UTF-16 and UTF-32 byte-order marks,
// sequential devices) are read through a text stream, and then only text()
// gives the line.
class LineSource
{
public:
    // Reads device from its current position; its text mode is restored at
    // the end.
    explicit LineSource(QIODevice& device);
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // Moves to the next line; false after the last one.
    bool next();

    // True when the lines come from a text stream: only text() is valid.
    bool textOnly() const { return stream != nullptr; }

    // The line's raw bytes, without its line feed and without one carriage
    // return before it. Carriage returns elsewhere and non-ASCII bytes are
    // still there: a reader that meets one takes text() instead.
    const char* begin() const { return lineBegin; }
    const char* end() const { return lineEnd; }

    // The line as the text stream gives it.
    QString text();

private:
    bool bytePathFits();
    void refill();

    QIODevice& device;
    const bool wasTextMode;
    std::unique_ptr<QTextStream> stream;
    QString streamLine;
    std::unique_ptr<QTextDecoder> decoder;
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t start = 0;    // first byte not yet handed out
    std::size_t filled = 0;   // bytes in the buffer
    std::size_t searched = 0; // bytes after start known to hold no line feed
    bool atEnd = false;
    const char* lineBegin = nullptr;
    const char* lineEnd = nullptr;
    bool terminated = false; // the line ended with a line feed
};
