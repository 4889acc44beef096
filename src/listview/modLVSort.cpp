// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/modLVSort.h"
#include "common/modConvert.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QVector>
#include <algorithm>
#include <array>

qint32 gSortOrder = 0;
qint32 gSortType = 0;
qint16 gSortColumn = 1;

namespace {

// The date a date cell that does not convert stands for: 1 January 1900.
constexpr double kFallbackDate = 2.0;

struct Token
{
    enum Type { Num, Word, Colon, Sep } type = Sep;
    Token() = default;
    explicit Token(Type t) : type(t) {}
    int value = 0;  // Num
    int digits = 0; // Num
    QChar sep;      // Sep
    QString word;   // Word, lower case
};

bool Tokenize(const QString &s, QVector<Token> &out)
{
    const int n = int(s.size());
    for (int i = 0; i < n;) {
        const QChar c = s.at(i);
        if (c.isDigit() && c.unicode() < 128) {
            Token t(Token::Num);
            while (i < n && s.at(i).unicode() >= '0' && s.at(i).unicode() <= '9') {
                if (++t.digits > 6)
                    return false;
                t.value = t.value * 10 + (s.at(i).unicode() - '0');
                ++i;
            }
            out.append(t);
        } else if (c.isLetter()) {
            Token t(Token::Word);
            while (i < n && s.at(i).isLetter())
                t.word += s.at(i++).toLower();
            out.append(t);
        } else if (c == QLatin1Char(':')) {
            out.append(Token(Token::Colon));
            ++i;
        } else if (c == QLatin1Char('-') || c == QLatin1Char('/') || c == QLatin1Char('.') || c == QLatin1Char(',')
                   || c.isSpace()) {
            Token t(Token::Sep);
            t.sep = c;
            out.append(t);
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

// Month names, English and the user's own, long and short, lower case.
const QHash<QString, int> &MonthNames()
{
    static const QHash<QString, int> names = [] {
        QHash<QString, int> h;
        const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates), QLocale::system()};
        for (const QLocale &l : locales) {
            for (int m = 1; m <= 12; ++m) {
                for (auto format : {QLocale::LongFormat, QLocale::ShortFormat}) {
                    for (QString name : {l.monthName(m, format), l.standaloneMonthName(m, format)}) {
                        name = name.toLower();
                        name.remove(QLatin1Char('.'));
                        if (!name.isEmpty() && !h.contains(name))
                            h.insert(name, m);
                    }
                }
            }
        }
        h.insert(QStringLiteral("sept"), 9);
        return h;
    }();
    return names;
}

// Positions of day, month and year in the user's short date format.
struct DateOrder
{
    int day, month, year;
};
DateOrder RegionalOrder()
{
    static const DateOrder order = [] {
        const QString f = QLocale::system().dateFormat(QLocale::ShortFormat);
        std::array<std::pair<qsizetype, int>, 3> at = {
            {{f.indexOf(QLatin1Char('d')), 0}, {f.indexOf(QLatin1Char('M')), 1}, {f.indexOf(QLatin1Char('y')), 2}}};
        if (at[0].first < 0 || at[1].first < 0 || at[2].first < 0)
            return DateOrder{1, 0, 2}; // month/day/year
        std::sort(at.begin(), at.end());
        DateOrder o{};
        for (int i = 0; i < 3; ++i)
            (at[i].second == 0 ? o.day : at[i].second == 1 ? o.month : o.year) = i;
        return o;
    }();
    return order;
}

int FullYear(const Token &t) { return t.digits <= 2 ? (t.value < 30 ? 2000 + t.value : 1900 + t.value) : t.value; }

bool MakeDate(int y, int m, int d, QDate *date)
{
    if (y < 100 || y > 9999)
        return false;
    const QDate q(y, m, d);
    if (!q.isValid())
        return false;
    *date = q;
    return true;
}

bool IsAm(const QString &w)
{
    static const QString am = QLocale::system().amText().toLower();
    return w == QLatin1String("am") || w == QLatin1String("a") || (!am.isEmpty() && w == am);
}
bool IsPm(const QString &w)
{
    static const QString pm = QLocale::system().pmText().toLower();
    return w == QLatin1String("pm") || w == QLatin1String("p") || (!pm.isEmpty() && w == pm);
}

// Takes the time, h:mm[:ss[.fraction]] [am|pm] anywhere in the text, out
// of tokens into *seconds; false when there is one but it is no time.
bool TakeTime(QVector<Token> &tokens, bool *hasTime, int *seconds)
{
    int first = -1;
    for (int i = 0; i < tokens.size(); ++i) {
        if (tokens[i].type == Token::Colon) {
            first = i;
            break;
        }
    }
    if (first < 0)
        return true;
    auto isNum = [&](int i) { return i >= 0 && i < tokens.size() && tokens[i].type == Token::Num; };
    auto isType = [&](int i, Token::Type t) { return i < tokens.size() && tokens[i].type == t; };
    if (!isNum(first - 1) || !isNum(first + 1))
        return false;
    int h = tokens[first - 1].value, m = tokens[first + 1].value, s = 0;
    int end = first + 2;
    if (isType(end, Token::Colon)) {
        if (!isNum(end + 1))
            return false;
        s = tokens[end + 1].value;
        end += 2;
        if (isType(end, Token::Sep) && tokens[end].sep == QLatin1Char('.') && isNum(end + 1))
            end += 2; // fractions of a second do not count
    }
    int ampm = 0;
    int look = end;
    while (isType(look, Token::Sep) && tokens[look].sep.isSpace())
        ++look;
    if (isType(look, Token::Word) && (IsAm(tokens[look].word) || IsPm(tokens[look].word))) {
        ampm = IsAm(tokens[look].word) ? 1 : 2;
        end = look + 1;
    }
    if (ampm) {
        if (h < 1 || h > 12)
            return false;
        h = (h % 12) + (ampm == 2 ? 12 : 0);
    }
    if (h > 23 || m > 59 || s > 59)
        return false;
    *seconds = h * 3600 + m * 60 + s;
    *hasTime = true;
    tokens.remove(first - 1, end - (first - 1));
    return true;
}

// A date of three parts with the month as a word: the year is the part
// that cannot be a day.
bool DateWithMonthName(const QVector<Token> &parts, int wordAt, QDate *date)
{
    const int month = MonthNames().value(parts[wordAt].word, 0);
    if (!month)
        return false;
    QVector<Token> nums;
    for (int i = 0; i < 3; ++i)
        if (i != wordAt)
            nums.append(parts[i]);
    const Token &a = nums[0], &b = nums[1];
    const bool aIsYear = a.digits >= 3 || a.value > 31;
    const Token &y = aIsYear ? a : b, &d = aIsYear ? b : a;
    return MakeDate(FullYear(y), month, d.value, date);
}

// A date of three numbers: year first when it is written so, else the
// regional order, then month-day-year, then day-month-year.
bool DateOfNumbers(const QVector<Token> &parts, QDate *date)
{
    if (parts[0].digits >= 3 && MakeDate(FullYear(parts[0]), parts[1].value, parts[2].value, date))
        return true;
    const DateOrder r = RegionalOrder();
    const DateOrder orders[] = {r, {1, 0, 2}, {0, 1, 2}};
    for (const DateOrder &o : orders)
        if (MakeDate(FullYear(parts[o.year]), parts[o.month].value, parts[o.day].value, date))
            return true;
    return false;
}

// The date of the numbers and words left once the time is out.
bool TakeDate(const QVector<Token> &parts, QDate *date)
{
    if (parts.size() != 3)
        return false;
    int words = 0, wordAt = -1;
    for (int i = 0; i < 3; ++i) {
        if (parts[i].type == Token::Word) {
            ++words;
            wordAt = i;
        }
    }
    if (words == 1)
        return DateWithMonthName(parts, wordAt, date);
    if (words == 0)
        return DateOfNumbers(parts, date);
    return false;
}

} // namespace

bool ToDate(const QString &text, double *value)
{
    QVector<Token> tokens;
    if (!Tokenize(text.trimmed(), tokens) || tokens.isEmpty())
        return false;

    bool hasTime = false;
    int seconds = 0;
    if (!TakeTime(tokens, &hasTime, &seconds))
        return false;

    QVector<Token> parts;
    for (const Token &t : tokens) {
        if (t.type == Token::Colon)
            return false;
        if (t.type == Token::Num || t.type == Token::Word)
            parts.append(t);
    }

    QDate date(1899, 12, 30); // day zero
    if (parts.isEmpty() ? !hasTime : !TakeDate(parts, &date))
        return false;

    if (value)
        *value = double(QDate(1899, 12, 30).daysTo(date)) + seconds / 86400.0;
    return true;
}

QString GetListItemText(const QString &cell) { return cell.size() > 31 ? cell.left(31) : cell; }

SortKey MakeSortKey(const QString &cell, qint32 kind)
{
    SortKey k;
    const QString t = GetListItemText(cell);
    switch (kind) {
    case lvsort::Date:
        if (!ToDate(t, &k.number))
            k.number = kFallbackDate;
        break;
    case lvsort::Time:
        if (!ToDate(t, &k.number))
            k.number = 0;
        break;
    case lvsort::Number:
        if (!ToDouble(t, &k.number))
            k.number = 0;
        break;
    case lvsort::PaddedText:
        k.text = (QStringLiteral("00000") + t).right(15);
        break;
    default: // text, and any kind a column should not have
        k.text = t;
        break;
    }
    return k;
}

int CompareSortKeys(const SortKey &a, const SortKey &b, qint32 kind)
{
    switch (kind) {
    case lvsort::Date:
    case lvsort::Time:
    case lvsort::Number:
        return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    default:
        return a.text.compare(b.text, Qt::CaseSensitive);
    }
}

qint32 CompareListItems(const QString &cell1, const QString &cell2)
{
    const int c = CompareSortKeys(MakeSortKey(cell1, gSortType), MakeSortKey(cell2, gSortType), gSortType);
    return gSortOrder == 1 ? -c : c;
}
