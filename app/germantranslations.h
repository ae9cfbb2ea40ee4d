#pragma once

class QApplication;

// Loads Qt's German texts for its own buttons and dialogs ("Ja", "Nein",
// "Abbrechen"), whatever the system's language: the program speaks German.
void installGermanTranslations(QApplication &application);
