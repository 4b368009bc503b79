#!/usr/bin/env python3
"""Fills the English translation file from the table below after lupdate.

Italian is the source language; every user-visible text needs a line here.
Run scripts/update-translations.sh, which calls this.
"""
import re
import sys

ENGLISH = {
    "Apri": "Open",
    "Seleziona una cartella": "Select a folder",
    "Nessun testo definito": "No text defined",
    "(nessun programma)": "(no program)",
    "il programma non esiste": "the program does not exist",
    "il file non è un programma eseguibile": "the file is not an executable program",
    "l&apos;unità del token non è disponibile": "the token&apos;s drive is not available",
    "la copia temporanea è stata sostituita": "the temporary copy was replaced",
    "nessuna cartella temporanea sicura": "no safe temporary folder",
    "errore di sistema": "system error",
    "Impossibile avviare %1: %2": "Cannot start %1: %2",
    "All files (*.*)": "All files (*.*)",
    "Mi&amp;nimizza": "Mi&amp;nimize",
    "&amp;Ripristina": "&amp;Restore",
    "&amp;Esci": "&amp;Quit",
    "Informazioni": "Information",
    "Documenti": "Documents",
    "Primo piano": "Always on top",
    "Minimizza": "Minimize",
    "Esci": "Quit",
    "Elaborazione in corso ...": "Working ...",
    "Attendere": "Please wait",
    "Attenzione": "Warning",
    "E&apos; gia&apos; in esecuzione un&apos;altra istanza del processo": "Another instance of the program is already running",
    "Avvio": "Start-up",
    "Non sono presenti risorse valide": "No valid resources were found",
    "gatepoint versione %1": "gatepoint version %1",
    "Uso: %1 [opzioni] [--hide | PULSANTE [FILE...] [processpidpath::PERCORSO]]\n"
    "\n"
    "Senza argomenti apre la finestra del launcher; con --hide la apre nascosta, con la sola icona "
    "nell&apos;area di notifica.\n"
    "Con il nome di un pulsante consegna i file che seguono a quel pulsante e termina; "
    "processpidpath::PERCORSO scrive l&apos;identificativo del programma avviato in PERCORSO.\n"
    "\n"
    "Opzioni:\n"
    "  --help              mostra questo aiuto ed esce\n"
    "  --version           mostra la versione ed esce\n"
    "  --debug-log FILE    scrive i messaggi di diagnostica in coda a FILE\n"
    "                      (anche con la variabile d&apos;ambiente GATEPOINT_DEBUG_LOG=FILE)\n":
    "Usage: %1 [options] [--hide | BUTTON [FILE...] [processpidpath::PATH]]\n"
    "\n"
    "Without arguments it opens the launcher window; with --hide it opens it hidden, with only the icon "
    "in the notification area.\n"
    "With the name of a button it hands the files that follow to that button and ends; "
    "processpidpath::PATH writes the id of the started program to PATH.\n"
    "\n"
    "Options:\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "  --debug-log FILE    append the diagnostic messages to FILE\n"
    "                      (also with the environment variable GATEPOINT_DEBUG_LOG=FILE)\n",
}

path = sys.argv[1]
text = open(path, encoding="utf-8").read()
missing = []


def fill(match):
    source = match.group(1)
    if source not in ENGLISH:
        missing.append(source)
        return match.group(0)
    return "<source>%s</source>\n        <translation>%s</translation>" % (source, ENGLISH[source])


text = re.sub(r"<source>(.*?)</source>\s*<translation[^>]*>.*?</translation>", fill, text, flags=re.S)
open(path, "w", encoding="utf-8").write(text)
if missing:
    sys.exit("untranslated: " + ", ".join(missing))
