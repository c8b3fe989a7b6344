#pragma once
// The labels of numbered list items as the list table defines them: each level has a number
// format (\levelnfc), a start (\levelstartat) and a text (\leveltext) whose characters below 9
// stand for the current numbers of levels 1 to 9 ("\'00.\'01." gives "3.2."). Items of one
// list (\listid) count on together across all the overrides (\ls) that refer to it; an item
// restarts the levels below its own unless they are marked \levelnorestart.

#include <QString>
#include <array>
#include <vector>

namespace rtf {

struct ListLevel {
    int format = 0;         // \levelnfc: 0 decimal, 1/2 upper/lower roman, 3/4 upper/lower
                            // letter, 22 decimal with a leading zero, 23 bullet, 255 none
    int startAt = 1;        // \levelstartat
    bool noRestart = false; // \levelnorestart
    QString text;           // \leveltext as read: its length, then the characters
};

class ListNumbering {
public:
    static constexpr int kLevels = 9;
    static constexpr int kBullet = 23;
    static constexpr int kNone = 255;

    // Counts the next item of the list at this level and returns its label ("" for bullets
    // and levels without a number or text).
    QString nextLabel(int listId, const std::vector<ListLevel> &levels, int level);

    // One number in one format ("iv", "C", "07" ...).
    static QString formatNumber(int number, int format);

private:
    struct Counters {
        int listId = 0;
        std::array<int, kLevels> value{};
        std::array<bool, kLevels> started{};
    };
    Counters &countersOf(int listId);

    std::vector<Counters> m_lists; // a document has few lists
};

} // namespace rtf
