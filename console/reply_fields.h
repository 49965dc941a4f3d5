#pragma once
// Reading the fields of the last reply by 1-based position (position 1 is the LF), never outside it: a
// short reply gives a short or empty field.

#include "protocol/protocol.h"

#include <QString>

#include <optional>
#include <string>

/// ReplyText positions `first` to `last`, as the 8-bit characters they are.
QString ReplyField(int first, int last);
/// The reply's characters from `first` to `last` as bytes, for building the next command.
std::string ReplyBytes(int first, int last);
/// The decimal value of a one-character field that names an item 0..count-1; -1 otherwise.
int ReplyDigit(int position, int count);

/// What pnCardID shows for the last "H00F" reply of ten bytes or more: "KEY : " and the keys, or the card
/// row text with the number in decimal and as received. Nothing for a keypad reply without keys.
std::optional<QString> PolledCardText(const QString& cardIdRow);
