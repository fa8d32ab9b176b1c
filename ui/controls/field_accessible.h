// What a screen reader reads of an input field: its text, caret and selection, as Qt's own
// interface for a line edit gives them, but with the text's attributes as one run over the whole
// text. Qt 6.4 reports runs of no length, and a reader that rebuilds the text from the runs drops
// the last character ("100" read as "10").
#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// The interface of the program's fields, and of every other line edit it shows (Qt's file
// dialog's name field among them); a line edit that hides what is typed keeps Qt's interface,
// which hides it too. Nothing for other objects.
QAccessibleInterface* FieldAccessibleFactory(const QString& class_name, QObject* object);
