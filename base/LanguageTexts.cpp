// The caption tables of every language: four entries per item, English, German, French, Spanish.
#include "base/Language.h"

namespace {

using Item = std::array<const char*, LanguageCount>;

#define NOT_CLEAR \
  Item { "(en)noch nicht klar", "noch nicht klar", "(fr)noch nicht klar", "(es)noch nicht klar" }

// Group 1: category buttons, items 1..9.
const Item MainButtonTexts[] = {
    {"Analyzer", "Analysator", "Analyseur", "Analizador"},
    {"Auto", "Auto", "Automatiq.", "Automático"},
    {"Locate", "Orten", "Localiser", "Localizar"},
    {"VLF", "VLF", "VLF", "VLF"},
    {"Video", "Video", "Vidéo", "Video"},
    {"Fingerpr.", "Fingerab.", "Empreinte", "Huella dig."},
    {"Project", "Projekt", "Projet", "Proyecto"},
    {"Settings", "Einstell.", "Paramètres", "Ajuste"},
    {"Help", "Hilfe", "Aide", "Auxilio"},
};

// Group 2: status messages, items 0..1.
const Item MessageTexts[] = {
    {"(en) Keine USB-Verbindung zum Gerät oder Akkus leer !",
     "Keine USB-Verbindung zum Gerät oder Akkus leer !",
     "(fr) Keine USB-Verbindung zum Gerät oder Akkus leer !",
     "(es) Keine USB-Verbindung zum Gerät oder Akkus leer !"},
    {"(en) USB-Verbindung hergestellt !", "USB-Verbindung hergestellt !", "(fr) USB-Verbindung hergestellt !",
     "(es) USB-Verbindung hergestellt !"},
};

// Group 3: analyser views.
const Item AnalyzerTexts[] = {
    {"Spectrum", "Spektrum", "Spectre", "Espectro"},
    {"Intensity", "Intensität", "Intensité", "Intensidad"},
    {"Digital", "Digital", "Digital", "Digital"},
    {"Audio", "Audio", "Audio", "Audio"},
    {"Max Hold", "Maximum", "Maximum", "Máximo"},
    {"Differential", "Differential", "(fr)Differential", "(es)Differential"},
};

// Group 4: automatic detection.
const Item AutoTexts[] = {
    {"Fast Detect", "Schnellsuche", "Recherche rapide", "(es)Schnellsuche"},
    {"Depth Detect", "Intensive Suche", "(fr)Intensive Suche", "(es)Intensive Suche"},
    {"Digital Detect", "Digitale Signale", "(fr)Digitale Signale", "(es)Digitale Signale"},
    {"GSM Detect", "GSM Signale", "(fr)GSM Signale", "(es)GSM Signale"},
    {"Silent Detect", "Lautlose Suche", "(fr)Lautlose Suche", "(es)Lautlose Suche"},
};

// Group 5: locating.
const Item LocateTexts[] = {
    {"Sonar", "Sonar", "(fr)Sonar", "(es)Sonar"},
    {"Field", "Feldstärke", "champ", "(es)Feldstärke"},
    {"Field Digital", "Feldst. Digital", "(fr)Feldst. Digital", "(es)Feldst. Digital"},
};

// Group 6: VLF.
const Item VlfTexts[] = {
    {"Spectrum", "Spektrum", "Spectre", "Espectro"},
    {"Auto Detect", "Autom. Suche", "(fr)Autom. Suche", "(es)Autom. Suche"},
    {"Direct Sound", "Direktes Mithören", "(fr)Direktes Mithören", "(es)Direktes Mithören"},
    {"VLF Sonar", "VLF Sonar", "(fr)VLF Sonar", "(es)VLF Sonar"},
};

// Group 7: video.
const Item VideoTexts[] = {
    {"Display Video", "Video anzeigen", "(fr)Video anzeigen", "(es)Video anzeigen"},
    {"Auto Search", "Autom. suchen", "(fr)Autom. suchen", "(es)Autom. suchen"},
};

// Group 8: fingerprint.
const Item FingerTexts[] = {
    {"Create Fingerprint", "Fingerabdr. erstellen", "(fr)Start Fingerabdruck", "(es)Start Fingerabdruck"},
    {"Open Fingerprint", "Fingerabdr. öffnen", "(fr)Fingerabdruck öffnen", "(es)Fingerabdruck öffnen"},
    NOT_CLEAR,
    NOT_CLEAR,
    NOT_CLEAR,
};

// Group 9: project.
const Item ProjectTexts[] = {NOT_CLEAR, NOT_CLEAR, NOT_CLEAR, NOT_CLEAR, NOT_CLEAR};

// Group 10: settings.
const Item SettingTexts[] = {
    {"Settings", "Einstellungen", "(fr)Einstellungen", "(es)Einstellungen"},
    {"System Test", "System Test", "(fr)System Test", "(es)System Test"},
    NOT_CLEAR,
    NOT_CLEAR,
    NOT_CLEAR,
};

// Group 11: help.
const Item HelpTexts[] = {NOT_CLEAR, NOT_CLEAR, NOT_CLEAR, NOT_CLEAR, NOT_CLEAR};

// Group 12: general captions of the control frames and views.
const Item GeneralTexts[] = {
    {"Frequency", "Frequenz", "Fréquence", "Frecuencia"},
    {"Span", "Bereich", "(fr)Bereich", "(es)Bereich"},
    {"Search", "Suchlauf", "(fr)Suchlauf", "(es)Suchlauf"},
    {"Volume", "Lautstärke", "(fr)Lautstärke", "(es)Lautstärke"},
    {"Sound Sequence", "Sound Sequenz", "(fr)Sound Sequenz", "(es)Sound Sequenz"},
    {"Run", "Start", "(fr)Start", "(es)Start"},
    {"fast", "schnell", "(fr)schnell", "(es)schnell"},
    {"slow", "langsam", "(fr)langsam", "(es)langsam"},
    {"normal", "normal", "(fr)normal", "(es)normal"},
    {"wide", "breit", "(fr)breit", "(es)breit"},
    {"narrow", "schmal", "(fr)schmal", "(es)schmal"},
    {"save as", "speichern unter", "(fr)speichern unter", "(es)speichern unter"},
    {"compare", "vergleichen", "(fr)vergleichen", "(es)vergleichen"},
    {"not stored", "nicht gespeichert", "(fr)nicht gespeichert", "(es)nicht gespeichert"},
    {"empty", "leer", "(fr)leer", "(es)leer"},
    {"battery condition", "Akku Zustand", "(fr)Akku Zustand", "(es)Akku Zustand"},
    {"Power / charging", "Netz-/Ladebetrieb", "(fr)Netz-/Ladebetrieb", "(es)Netz-/Ladebetrieb"},
    {"connect sonar-handprobe", "Sonar-Handsonde anschließen", "(fr)Sonar-Handsonde anschließen",
     "(es)Sonar-Handsonde anschließen"},
    {"Video on", "Video an", "(fr)Video an", "(es)Video an"},
    {"Video off", "Video aus", "(fr)Video aus", "(es)Video aus"},
    {"select source", "Quelle wählen", "(fr)Quelle wählen", "(es)Quelle wählen"},
};

// Group 13: frequency control frame captions (item 10 has twelve blanks between its words).
const Item FreqControlTexts[] = {
    {"Center", "Center", "(fr)Center", "(es)Center"},
    {"Span", "Span", "(fr)Span", "(es)Span"},
    {"Range", "Bereich", "(fr)Bereich", "(es)Bereich"},
    {"Up", "Hoch", "(fr)Hoch", "(es)Hoch"},
    {"Down", "Runter", "(fr)Runter", "(es)Runter"},
    {"Start", "Start", "(fr)Start", "(es)Start"},
    {"Stop", "Stop", "(fr)Stop", "(es)Stop"},
    {"List", "Liste", "(fr)Liste", "(es)Liste"},
    {"Edit", "Edit", "(fr)Edit", "(es)Edit"},
    {"Start            Stop", "Start            Stop", "(fr)Start            Stop",
     "(es)Start            Stop"},
};

#undef NOT_CLEAR

template <size_t N>
void Fill(std::vector<std::string>& group, const Item (&items)[N]) {
  group.clear();
  group.reserve(N * LanguageCount);
  for (const Item& item : items)
    for (const char* text : item) group.emplace_back(text);
}

}  // namespace

void LanguageSkinTool::BuildTexts() {
  Fill(textGroups[0], MainButtonTexts);
  Fill(textGroups[1], MessageTexts);
  Fill(textGroups[2], AnalyzerTexts);
  Fill(textGroups[3], AutoTexts);
  Fill(textGroups[4], LocateTexts);
  Fill(textGroups[5], VlfTexts);
  Fill(textGroups[6], VideoTexts);
  Fill(textGroups[7], FingerTexts);
  Fill(textGroups[8], ProjectTexts);
  Fill(textGroups[9], SettingTexts);
  Fill(textGroups[10], HelpTexts);
  Fill(textGroups[11], GeneralTexts);
  Fill(textGroups[12], FreqControlTexts);
}
