// Code page 932 at the front-end's edges: the analyser's files (tree.txt,
// zelta_err.txt, zelta.ini) and the files the front-end writes are CP932 with
// CR LF line ends. The conversion is glibc's iconv, never a table of our own.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace zelta::fe {

// Strict conversions: false when a byte sequence (or a character) does not
// convert cleanly; `out` is then unspecified.
bool cp932ToUnicode(const QByteArray& in, QString& out);
bool unicodeToCp932(const QString& in, QByteArray& out);

// Lenient encoding for text the user wants on disk whatever it holds: a
// character that CP932 cannot hold becomes "?". `lossy` tells whether that
// happened.
QByteArray unicodeToCp932Lenient(const QString& in, bool* lossy = nullptr);

// A CR LF pair becomes one line feed, as a text-mode reader sees it.
QByteArray foldCrlf(const QByteArray& in);
// Every line feed becomes CR LF, as a text-mode writer writes it.
QByteArray toCrlf(const QByteArray& in);

// The lines of a text file as a line reader returns them: CR LF folded, no
// line ends, no extra empty line after a final line end. Each line is decoded
// from CP932; a line that is not CP932 (a file name the analyser copied as
// bytes) is taken as UTF-8 when it is that, else decoded with a replacement
// character for the bytes that do not convert.
QStringList decodeTextLines(const QByteArray& fileBytes);

// The whole text of a file, decoded the same way, with "\n" line ends.
QString decodeText(const QByteArray& fileBytes);

// One line (no line end) decoded as decodeTextLines decodes each line.
QString decodeTextLine(const QByteArray& line);

// A source file for reading: UTF-8 when the whole file is valid UTF-8, else
// CP932 line by line as above; CR LF folded.
QString decodeSource(const QByteArray& fileBytes);

}  // namespace zelta::fe
