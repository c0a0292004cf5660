#pragma once

// How the readers class the bytes of a line they take apart without
// decoding it.
enum class ByteKind : unsigned char
{
    // Part of a token.
    Token,
    // Separates tokens: the ASCII white space that simplifying a line turns
    // into blanks (tab, vertical tab, form feed, blank), and for the count
    // table also the comma.
    Separator,
    // A carriage return (text mode drops it) or a non-ASCII byte (it may be
    // Unicode white space): the line goes to the text rules.
    Refuse,
};

struct ByteKinds
{
    ByteKind kind[256] = {};

    ByteKind operator()(char c) const { return kind[static_cast<unsigned char>(c)]; }
};

constexpr ByteKinds makeByteKinds(bool commaSeparates)
{
    ByteKinds k;
    for (int c = 0; c < 256; ++c)
        k.kind[c] = ByteKind::Token;
    for (int c = 0x80; c < 256; ++c)
        k.kind[c] = ByteKind::Refuse;
    k.kind[int('\r')] = ByteKind::Refuse;
    for (char c : {'\t', '\v', '\f', ' '})
        k.kind[int(c)] = ByteKind::Separator;
    if (commaSeparates)
        k.kind[int(',')] = ByteKind::Separator;
    return k;
}
