#pragma once
// The order in which qarv sorts names for the user: the user's language
// decides it ("Ça ira" with the C's), numbers go by their value ("10" after
// "9"), and letter case does not count. Without a language set, the common
// order of all languages.

#include <QCollator>

QCollator UserCollator();
