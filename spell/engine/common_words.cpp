#include "spell/engine/common_words.h"

#include <algorithm>
#include <iterator>

namespace inkwend::spell {

namespace {

// In byte order, for a binary search.
constexpr std::string_view kCommonWords[] = {
    "A",         "ABLE",      "ABOUT",     "ADD",       "AFTER",   "AGAIN",       "AGAINST",    "AIR",
    "ALL",       "ALLOW",     "ALONG",     "ALSO",      "ALWAYS",  "AM",          "AMONG",      "AN",
    "AND",       "ANOTHER",   "ANY",       "APPEAR",    "ARE",     "AREA",        "AROUND",     "ART",
    "AS",        "ASK",       "AT",        "BACK",      "BAD",     "BE",          "BECAUSE",    "BEEN",
    "BEFORE",    "BEGIN",     "BEING",     "BELIEVE",   "BEST",    "BETTER",      "BETWEEN",    "BIG",
    "BODY",      "BOOK",      "BOTH",      "BRING",     "BUILD",   "BUSINESS",    "BUT",        "BUY",
    "BY",        "CALL",      "CAN",       "CAR",       "CASE",    "CERTAIN",     "CHANGE",     "CHILD",
    "CITY",      "CLEAR",     "COME",      "COMMUNITY", "COMPANY", "CONSIDER",    "CONTINUE",   "COULD",
    "CREATE",    "CUT",       "DAY",       "DEAR",      "DECIDE",  "DIARY",       "DID",        "DIE",
    "DIFFERENT", "DO",        "DOES",      "DOOR",      "DOWN",    "DURING",      "EACH",       "EARLY",
    "EASY",      "EDUCATION", "END",       "EVEN",      "EVERY",   "EXPECT",      "EYE",        "FACE",
    "FACT",      "FALL",      "FATHER",    "FEEL",      "FEW",     "FIND",        "FIRST",      "FOLLOW",
    "FOR",       "FORCE",     "FREE",      "FRIEND",    "FROM",    "FULL",        "GAME",       "GET",
    "GIRL",      "GIVE",      "GO",        "GOOD",      "GOT",     "GOVERNMENT",  "GREAT",      "GROW",
    "GUY",       "HAD",       "HAND",      "HAPPEN",    "HAPPY",   "HARD",        "HAS",        "HAVE",
    "HE",        "HEAD",      "HEALTH",    "HEAR",      "HER",     "HERE",        "HIGH",       "HIM",
    "HIS",       "HISTORY",   "HOLD",      "HOME",      "HOUR",    "HOUSE",       "HOW",        "I",
    "IDEA",      "IF",        "IMPORTANT", "IN",        "INCLUDE", "INFORMATION", "INTO",       "IS",
    "ISSUE",     "IT",        "ITS",       "JOB",       "JUST",    "KEEP",        "KID",        "KILL",
    "KIND",      "KNOW",      "LARGE",     "LAST",      "LATE",    "LAW",         "LEAD",       "LEARN",
    "LEAVE",     "LESS",      "LET",       "LEVEL",     "LIFE",    "LIKE",        "LINE",       "LITTLE",
    "LIVE",      "LONG",      "LOOK",      "LOSE",      "LOT",     "LOVE",        "LOW",        "MADE",
    "MAKE",      "MAN",       "MANY",      "MAY",       "ME",      "MEET",        "MEMBER",     "MIGHT",
    "MINUTE",    "MOMENT",    "MONEY",     "MONTH",     "MORE",    "MORNING",     "MOST",       "MOTHER",
    "MOVE",      "MUCH",      "MUST",      "MY",        "NAME",    "NEVER",       "NEW",        "NEXT",
    "NIGHT",     "NO",        "NOT",       "NOW",       "NUMBER",  "OF",          "OFF",        "OFFER",
    "OFFICE",    "OFTEN",     "OKAY",      "OLD",       "ON",      "ONE",         "ONLY",       "OPEN",
    "OR",        "OTHER",     "OTHERS",    "OUR",       "OUT",     "OVER",        "OWN",        "PART",
    "PARTY",     "PASS",      "PAY",       "PEOPLE",    "PERSON",  "PLACE",       "PLAY",       "PLEASE",
    "POINT",     "POSSIBLE",  "POWER",     "PRESIDENT", "PROGRAM", "PROVIDE",     "PUBLIC",     "PULL",
    "QUESTION",  "RAISE",     "REACH",     "READ",      "REAL",    "REASON",      "REMAIN",     "REMEMBER",
    "REPORT",    "REQUIRE",   "RESEARCH",  "RESULT",    "RIGHT",   "ROOM",        "RUN",        "SAD",
    "SAID",      "SAME",      "SAY",       "SCHOOL",    "SEE",     "SEEM",        "SELL",       "SEND",
    "SERVE",     "SERVICE",   "SET",       "SHALL",     "SHE",     "SHOULD",      "SHOW",       "SIDE",
    "SINCE",     "SIT",       "SMALL",     "SO",        "SOME",    "SPEAK",       "SPEND",      "STAND",
    "STAY",      "STILL",     "STOP",      "STORY",     "STRONG",  "STUDY",       "SUCH",       "SUGGEST",
    "SURE",      "SYSTEM",    "TAKE",      "TEACHER",   "TEAM",    "TELL",        "THAN",       "THANK",
    "THANKS",    "THAT",      "THE",       "THEIR",     "THEM",    "THEN",        "THERE",      "THESE",
    "THEY",      "THINK",     "THIS",      "THOSE",     "THROUGH", "TIME",        "TIRED",      "TO",
    "TODAY",     "TOMORROW",  "TRUE",      "TRY",       "TWO",     "UNDER",       "UNDERSTAND", "UNTIL",
    "UP",        "US",        "USE",       "VERY",      "WAIT",    "WALK",        "WANT",       "WAR",
    "WAS",       "WATCH",     "WATER",     "WAY",       "WE",      "WEEK",        "WELL",       "WENT",
    "WERE",      "WHAT",      "WHEN",      "WHERE",     "WHICH",   "WHILE",       "WHO",        "WHOLE",
    "WHY",       "WILL",      "WIN",       "WITH",      "WITHIN",  "WITHOUT",     "WOMAN",      "WORD",
    "WORK",      "WORLD",     "WOULD",     "WRITE",     "YEAR",    "YES",         "YESTERDAY",  "YOU",
    "YOUNG",     "YOUR",
};

}  // namespace

bool IsCommonWord(std::string_view word) {
  return std::binary_search(std::begin(kCommonWords), std::end(kCommonWords), word);
}

}  // namespace inkwend::spell
