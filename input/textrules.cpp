#include "input/textrules.h"

bool hasPrefix(const QString& text, const QString& prefix, bool ignoreCase)
{
    if (text.size() < prefix.size())
        return false;
    const QString head = text.left(prefix.size());
    if (ignoreCase)
        return head.toUpper() == prefix.toUpper();
    return head == prefix;
}

QString cutAtFirst(const QString& text, QChar ch)
{
    const int at = text.indexOf(ch);
    return at < 0 ? text : text.left(at);
}

QString cutAtSecond(const QString& text, QChar ch)
{
    const int first = text.indexOf(ch);
    const int second = first < 0 ? -1 : text.indexOf(ch, first + 1);
    return second < 0 ? text : text.left(second);
}

QString textAfter(const QString& text, const QString& prefix)
{
    return text.mid(prefix.size());
}

QStringRef TokenCursor::next()
{
    const int size = text->size();
    const int start = pos;
    while (pos < size && !text->at(pos).isSpace())
        ++pos;
    const QStringRef token = text->midRef(start, pos - start);
    if (pos == size) {
        done = true;
        return token;
    }
    // A separator run; when it ends the text, the empty last token follows.
    while (pos < size && text->at(pos).isSpace())
        ++pos;
    return token;
}

qint64 countTokens(const QString& text, qint64 limit)
{
    if (limit <= 0)
        return 0;
    qint64 count = 1;
    const int size = text.size();
    int pos = 0;
    while (count < limit) {
        while (pos < size && !text.at(pos).isSpace())
            ++pos;
        if (pos == size)
            break;
        while (pos < size && text.at(pos).isSpace())
            ++pos;
        ++count;
    }
    return count;
}
