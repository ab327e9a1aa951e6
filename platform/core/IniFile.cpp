#include "platform/core/IniFile.h"

#include "platform/core/SafeFile.h"

#include <QtCore/QFile>
#include <QtCore/QStringDecoder>

// Texts are handed to the parser as UTF-8 bytes already; it needs no conversion of its own.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <algorithm>
#include <list>
#include <string>

namespace movra {

struct TIniFile::Data {
    CSimpleIniA ini{false, false, false}; // not UTF-8 aware, no multi-keys, no multi-lines
};

namespace {

// A section or key name as the parser keys it: without the blanks it strips (spaces, tabs and
// line breaks; any other white space, such as a vertical tab, is part of the name).
std::string bytes(const QString& s) {
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && blank(s[from]))
        ++from;
    while (to > from && blank(s[to - 1]))
        --to;
    return QStringView(s).mid(from, to - from).toUtf8().toStdString();
}

QString decodeFile(const QByteArray& raw) {
    QByteArray data = raw;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(data);
    if (!utf8.hasError()) {
        // A byte-order mark inside the text (files joined together) is invisible and would
        // vanish from the front of any name or value it begins when read back, so that the
        // name could no longer be found.
        text.remove(QChar(0xFEFF));
        return text;
    }
    QStringDecoder cp1250("windows-1250");
    if (cp1250.isValid())
        return cp1250(data);
    return QString::fromLatin1(data);
}

// A line that opens a section name without closing it ("[Form1") is no section. The parser
// skips such a line but then files the keys below it under a section named by the broken line
// and the key together, with a line break inside; writing that name back splits it, so each
// save would lose those keys and add more broken lines. Blanking the line here lets the keys
// below it stay with the section before it, as for any other line the parser skips.
std::string withoutOpenSectionLines(std::string text) {
    std::string::size_type line = 0;
    while (line < text.size()) {
        std::string::size_type end = text.find_first_of("\r\n", line);
        if (end == std::string::npos)
            end = text.size();
        std::string::size_type first = text.find_first_not_of(" \t", line);
        if (first < end && text[first] == '[' && text.find(']', first) >= end)
            std::fill(text.begin() + static_cast<std::ptrdiff_t>(first),
                      text.begin() + static_cast<std::ptrdiff_t>(end), ' ');
        line = end + 1;
    }
    return text;
}

} // namespace

std::optional<int> ParseIniInteger(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-')) {
        negative = t[0] == QLatin1Char('-');
        ++i;
    }
    const QStringView rest = QStringView(t).mid(i);
    if (rest.isEmpty())
        return std::nullopt;
    bool ok = false;
    qint64 value = 0;
    if (rest.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ||
        rest.startsWith(QLatin1Char('$'))) {
        const QStringView digits = rest.mid(rest[0] == QLatin1Char('$') ? 1 : 2);
        if (digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        for (QChar c : digits) {
            if (!c.isDigit() &&
                !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
                return std::nullopt;
        }
        const quint32 u = digits.toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        value = static_cast<qint32>(u); // all 32 bits: 0x8000000F is negative
    } else {
        for (QChar c : rest) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        value = rest.toLongLong(&ok, 10);
        if (!ok)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

bool IsIniColor(int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return v <= 0xFFFFFFu || (IsSystemColor(value) && (v & 0xFFFFFFu) <= 30u);
}

TIniFile::TIniFile(const QString& path) : m_data(std::make_unique<Data>()), m_path(path) {
    m_data->ini.SetSpaces(false); // "Key=Value", as other programs write these files
    QFile f(path);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly)) {
        m_error = f.errorString();
        return;
    }
    const std::string text = withoutOpenSectionLines(decodeFile(f.readAll()).toStdString());
    if (m_data->ini.LoadData(text) < 0) {
        m_error = QStringLiteral("Nie można odczytać pliku ustawień %1.").arg(path);
        m_data->ini.Reset();
        m_data->ini.SetSpaces(false);
        return;
    }
    m_read = true;
}

TIniFile::~TIniFile() = default;

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const char* v = m_data->ini.GetValue(bytes(section).c_str(), bytes(key).c_str(), nullptr);
    if (!v)
        return def;
    return QString::fromUtf8(v).trimmed();
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const char* v = m_data->ini.GetValue(bytes(section).c_str(), bytes(key).c_str(), nullptr);
    if (!v)
        return def;
    return ParseIniInteger(QString::fromUtf8(v)).value_or(def);
}

int TIniFile::ReadIntegerIn(const QString& section, const QString& key, int def, int low,
                            int high) const {
    const int n = ReadInteger(section, key, def);
    return n >= low && n <= high ? n : def;
}

TColor TIniFile::ReadColor(const QString& section, const QString& key, TColor def) const {
    const int c = ReadInteger(section, key, def);
    return IsIniColor(c) ? c : def;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    // A line break in a value would end the line and corrupt the file; values stay one line.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_data->ini.SetValue(bytes(section).c_str(), bytes(key).c_str(), v.toStdString().c_str());
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

bool TIniFile::SectionExists(const QString& section) const {
    return m_data->ini.GetSection(bytes(section).c_str()) != nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    return m_data->ini.GetValue(bytes(section).c_str(), bytes(key).c_str(), nullptr) != nullptr;
}

QStringList TIniFile::Sections() const {
    CSimpleIniA::TNamesDepend names;
    m_data->ini.GetAllSections(names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList result;
    for (const auto& e : names)
        result << QString::fromUtf8(e.pItem);
    return result;
}

QStringList TIniFile::Keys(const QString& section) const {
    CSimpleIniA::TNamesDepend names;
    m_data->ini.GetAllKeys(bytes(section).c_str(), names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList result;
    for (const auto& e : names)
        result << QString::fromUtf8(e.pItem);
    return result;
}

bool TIniFile::UpdateFile() {
    m_error.clear();
    std::string text;
    if (m_data->ini.Save(text, false) < 0) {
        m_error = QStringLiteral("Nie można przygotować zawartości pliku ustawień.");
        return false;
    }
    // The parser leaves two empty lines before each section; one is the usual look.
    for (std::string::size_type at; (at = text.find("\n\n\n")) != std::string::npos;)
        text.erase(at, 1);
    try {
        WriteFileAtomically(m_path, text);
    } catch (const ESafeFileError& e) {
        m_error = e.Message();
        return false;
    }
    return true;
}

} // namespace movra
