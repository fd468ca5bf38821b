#pragma once

#include "core/error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <iterator>

namespace zentari {

// A store's records in memory: one list, record i standing for line i of each
// of the store's parallel list files. Record names its fields, one per file:
//     static constexpr std::array<QString Record::*, N> kLines
//
// Lists that were read out of step (a file shorter than the others, a load
// that stopped at a file it could not read) stay as they were read: each
// file's lines fill its field from the first record on, so a record past the
// end of a file lacks that line (its field is empty), and an append adds one
// line at the end of every file, as appending to each list would. The lists
// are therefore written back exactly as they were read, and a reader that asks
// for a line a file does not have fails as it would on the list itself.
template <typename Record> class RecordList
{
public:
    using Field = QString Record::*;
    static constexpr size_t kFiles = std::size(Record::kLines);

    // Records: as many as the longest file has lines.
    qsizetype size() const { return m_records.size(); }
    bool isEmpty() const { return m_records.isEmpty(); }
    const Record& operator[](qsizetype position) const { return m_records[position]; }
    // The record, or an empty one past the end.
    Record value(qsizetype position) const { return m_records.value(position); }

    // How many lines the file of a field has.
    qsizetype lines(Field field) const { return m_lines[fileOf(field)]; }
    // How many records have all their lines: the positions a change can act on.
    qsizetype whole() const { return *std::min_element(m_lines.begin(), m_lines.end()); }
    // Line `position` of a field's file; Error when the file has no such line.
    const QString& line(qsizetype position, Field field) const
    {
        if (position < 0 || position >= lines(field))
            throw Error(
                QStringLiteral("Индекс списка (%1) вне допустимого диапазона").arg(position));
        return m_records[position].*field;
    }
    // A field's file, line by line.
    QStringList column(Field field) const
    {
        QStringList out;
        const qsizetype n = lines(field);
        out.reserve(n);
        for (qsizetype i = 0; i < n; ++i)
            out.append(m_records[i].*field);
        return out;
    }

    // A field's file as read: its lines replace the field's, records being
    // added or let go so that there are as many as the longest file has lines.
    void setColumn(Field field, const QStringList& fileLines)
    {
        const size_t file = fileOf(field);
        const qsizetype n = fileLines.size();
        if (n > m_records.size())
            m_records.resize(n);
        for (qsizetype i = 0; i < n; ++i)
            m_records[i].*field = fileLines[i];
        for (qsizetype i = n; i < m_lines[file]; ++i)
            m_records[i].*field = QString();
        m_lines[file] = n;
        m_records.resize(*std::max_element(m_lines.begin(), m_lines.end()));
    }
    // Replaces a line the field's file has.
    void setLine(qsizetype position, Field field, const QString& text)
    {
        Q_ASSERT(position >= 0 && position < lines(field));
        m_records[position].*field = text;
    }

    // Adds one line at the end of every file.
    void append(const Record& record)
    {
        for (size_t file = 0; file < kFiles; ++file) {
            const Field field = Record::kLines[file];
            if (m_lines[file] == m_records.size())
                m_records.append(Record{});
            m_records[m_lines[file]++].*field = record.*field;
        }
    }
    // Removes a record that has all its lines (below whole()).
    void removeAt(qsizetype position)
    {
        Q_ASSERT(position >= 0 && position < whole());
        m_records.removeAt(position);
        for (qsizetype& n : m_lines)
            --n;
    }
    void clear()
    {
        m_records = {};
        m_lines = {};
    }

private:
    static size_t fileOf(Field field)
    {
        const auto it = std::find(Record::kLines.begin(), Record::kLines.end(), field);
        Q_ASSERT(it != Record::kLines.end());
        return size_t(it - Record::kLines.begin());
    }

    QList<Record> m_records;
    std::array<qsizetype, kFiles> m_lines{};
};

} // namespace zentari
