#pragma once

#include <QString>
#include <QStringRef>

// The text rules shared by both measurement file readers. Lines reach them
// already simplified (trimmed, inner white space runs turned into one blank).

// True when the first prefix.size() characters of text equal prefix; with
// ignoreCase both sides are upper-cased first. A shorter text never matches.
bool hasPrefix(const QString& text, const QString& prefix, bool ignoreCase);

// The text before the first occurrence of ch, or all of it when ch is absent.
QString cutAtFirst(const QString& text, QChar ch);

// The text before the second occurrence of ch, or all of it when ch occurs
// fewer than two times.
QString cutAtSecond(const QString& text, QChar ch);

// text without its first prefix.size() characters; the prefix itself is not
// compared again.
QString textAfter(const QString& text, const QString& prefix);

// Walks the tokens of a text split at every run of white space, empty parts
// kept: "" is one empty token and " a " is "", "a", "". The tokens refer into
// the text, which must outlive the cursor. Walking instead of building a list
// keeps a line of millions of tokens from costing a string apiece.
class TokenCursor
{
public:
    explicit TokenCursor(const QString& text) : text(&text) {}

    bool atEnd() const { return done; }
    // The next token. Call only while !atEnd().
    QStringRef next();

private:
    const QString* text;
    int pos = 0;
    bool done = false;
};

// The number of tokens in text, counting no further than limit. The 64-bit
// limit lets callers ask for 2t + 1 tokens with any 32-bit t.
qint64 countTokens(const QString& text, qint64 limit);
