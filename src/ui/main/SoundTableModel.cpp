#include "SoundTableModel.h"

#include "catalogue/NumberRules.h"
#include "catalogue/TextFormats.h"
#include "session/CatalogueSession.h"
#include "soundfacts/SoundFactsCache.h"

#include <QFont>

#include <cmath>

namespace sonquill {

namespace {

const char *const kHeaders[GridColumnCount] = {"Number",  "Lock",   "Category", "Name", "Filename",
                                               "Size kb", "Length", "LUFS",     "dBTP"};

// A measured decibel value to one decimal; a dash for a sound too short or too quiet to measure.
QString decibelsText(double value)
{
    return std::isfinite(value) ? QString::number(value, 'f', 1) : QStringLiteral("\u2013");
}

// What the file was read to be: format, channels, sample rate; or why it could not be read.
QString factsTip(const SoundFacts &facts)
{
    if (!facts.readable)
        return facts.problem;
    const QString channels = facts.channels == 1 ? QStringLiteral("mono")
                             : facts.channels == 2
                                 ? QStringLiteral("stereo")
                                 : QStringLiteral("%1 channels").arg(facts.channels);
    return QStringLiteral("%1, %2, %3 Hz")
        .arg(facts.format, channels, QString::number(facts.sampleRate));
}

} // namespace

SoundTableModel::SoundTableModel(CatalogueSession &session, SoundFactsCache &facts, QObject *parent)
    : QAbstractTableModel(parent), m_session(session), m_facts(facts),
      m_rows(session.table().SoundCount())
{
    // Before anyone else hears of a change, so that nobody sees rows the table no longer has.
    connect(&m_session, &CatalogueSession::changed, this, &SoundTableModel::tableChanged);
}

void SoundTableModel::tableChanged()
{
    const int count = m_session.table().SoundCount();
    if (count > m_rows) {
        beginInsertRows({}, m_rows, count - 1);
        m_rows = count;
        endInsertRows();
    } else if (count < m_rows) {
        // Sounds went from anywhere in the table: which row is which sound is not known here.
        beginResetModel();
        m_rows = count;
        endResetModel();
        return;
    }
    if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, GridColumnCount - 1));
}

int SoundTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SoundTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : GridColumnCount;
}

QVariant SoundTableModel::data(const QModelIndex &index, int role) const
{
    const SoundTable &table = m_session.table();
    if (!index.isValid() || !table.isValidIndex(index.row() + 1))
        return {};
    const SoundRecord &record = table.at(index.row() + 1);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case ColNumber:
            return QString::number(record.number);
        case ColLock:
            return record.isLocked() ? QStringLiteral("X") : QString();
        case ColCategory:
            return record.category;
        case ColName:
            return record.name;
        case ColFilename:
            return record.filename;
        case ColSize:
            return KilobytesText(double(record.size));
        case ColLength:
            return LengthText(m_facts.remembered(record.filename));
        case ColLoudness:
        case ColTruePeak:
            // Empty until measured; the grid's controller has it measured off this thread.
            if (const auto loudness = m_facts.rememberedLoudness(record.filename);
                loudness && loudness->read)
                return decibelsText(index.column() == ColLoudness
                                        ? loudness->loudness.integratedLufs
                                        : loudness->loudness.truePeakDbtp);
            return QString();
        default:
            return {};
        }
    case Qt::ToolTipRole: {
        if (index.column() == ColFilename)
            return record.filename;
        QString tip = factsTip(m_facts.remembered(record.filename));
        if (const auto loudness = m_facts.rememberedLoudness(record.filename);
            loudness && loudness->read && !tip.isEmpty())
            tip += QStringLiteral(", %1 LUFS, true peak %2 dBTP")
                       .arg(decibelsText(loudness->loudness.integratedLufs),
                            decibelsText(loudness->loudness.truePeakDbtp));
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case ColLock:
            return int(Qt::AlignCenter);
        case ColName:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        case ColFilename:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    default:
        return {};
    }
}

QVariant SoundTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= GridColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromLatin1(kHeaders[section]);
    case Qt::TextAlignmentRole:
        return section == ColLock ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole: {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    default:
        return {};
    }
}

Qt::ItemFlags SoundTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const SoundTable &table = m_session.table();
    if (!index.isValid() || !table.isValidIndex(index.row() + 1))
        return flags;
    const bool editable = index.column() == ColCategory || index.column() == ColName ||
                          (index.column() == ColNumber && !table.at(index.row() + 1).isLocked());
    return editable ? flags | Qt::ItemIsEditable : flags;
}

bool SoundTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int sound = index.row() + 1;
    if (role != Qt::EditRole || !index.isValid() || !m_session.table().isValidIndex(sound))
        return false;
    const QString text = value.toString();
    m_refusal = {};
    auto refuseText = [this](TextVerdict verdict) {
        if (verdict == TextVerdict::Accepted)
            return true;
        m_refusal = {QStringLiteral("Sonquill"),
                     TypedTextRefusal(verdict),
                     MessageRequest::Icon::Exclamation,
                     {}};
        return false;
    };
    switch (index.column()) {
    case ColNumber: {
        const NumberEdit edit = m_session.renumber(sound, text);
        switch (edit.verdict) {
        case NumberEdit::Verdict::TooHigh:
            m_refusal = {QStringLiteral("Sonquill"), NumberTooHighMessage(), {}, edit.editorText};
            return false;
        case NumberEdit::Verdict::TooLow:
            m_refusal = {QStringLiteral("Sonquill"), NumberTooLowMessage(), {}, edit.editorText};
            return false;
        case NumberEdit::Verdict::Taken:
            m_refusal = {NumberTakenTitle(), NumberTakenMessage(edit), {}, edit.editorText};
            return false;
        default:
            return true;
        }
    }
    case ColCategory:
        return refuseText(m_session.setCategory(sound, text));
    case ColName:
        return refuseText(m_session.rename(sound, text));
    default:
        return false;
    }
}

} // namespace sonquill
