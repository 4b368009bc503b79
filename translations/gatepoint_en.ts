<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="it">
<context>
    <name>CustomFileDialog</name>
    <message>
        <source>Apri</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Seleziona una cartella</source>
        <translation>Select a folder</translation>
    </message>
</context>
<context>
    <name>LaunchButton</name>
    <message>
        <source>Nessun testo definito</source>
        <translation>No text defined</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>All files (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>Mi&amp;nimizza</source>
        <translation>Mi&amp;nimize</translation>
    </message>
    <message>
        <source>&amp;Ripristina</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>Informazioni</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Documenti</source>
        <translation>Documents</translation>
    </message>
    <message>
        <source>Primo piano</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>Minimizza</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Esci</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Elaborazione in corso ...</source>
        <translation>Working ...</translation>
    </message>
    <message>
        <source>Attendere</source>
        <translation>Please wait</translation>
    </message>
    <message>
        <source>gatepoint versione %1</source>
        <translation>gatepoint version %1</translation>
    </message>
</context>
<context>
    <name>StartFailureNotice</name>
    <message>
        <source>(nessun programma)</source>
        <translation>(no program)</translation>
    </message>
    <message>
        <source>il programma non esiste</source>
        <translation>the program does not exist</translation>
    </message>
    <message>
        <source>nessuna cartella temporanea sicura</source>
        <translation>no safe temporary folder</translation>
    </message>
    <message>
        <source>errore di sistema</source>
        <translation>system error</translation>
    </message>
    <message>
        <source>Impossibile avviare %1: %2</source>
        <translation>Cannot start %1: %2</translation>
    </message>
    <message>
        <source>Avvio</source>
        <translation>Start-up</translation>
    </message>
    <message>
        <source>il file non è un programma eseguibile</source>
        <translation>the file is not an executable program</translation>
    </message>
    <message>
        <source>l&apos;unità del token non è disponibile</source>
        <translation>the token&apos;s drive is not available</translation>
    </message>
    <message>
        <source>la copia temporanea è stata sostituita</source>
        <translation>the temporary copy was replaced</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Attenzione</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>E&apos; gia&apos; in esecuzione un&apos;altra istanza del processo</source>
        <translation>Another instance of the program is already running</translation>
    </message>
    <message>
        <source>Avvio</source>
        <translation>Start-up</translation>
    </message>
    <message>
        <source>Non sono presenti risorse valide</source>
        <translation>No valid resources were found</translation>
    </message>
    <message>
        <source>Uso: %1 [opzioni] [--hide | PULSANTE [FILE...] [processpidpath::PERCORSO]]

Senza argomenti apre la finestra del launcher; con --hide la apre nascosta, con la sola icona nell&apos;area di notifica.
Con il nome di un pulsante consegna i file che seguono a quel pulsante e termina; processpidpath::PERCORSO scrive l&apos;identificativo del programma avviato in PERCORSO.

Opzioni:
  --help              mostra questo aiuto ed esce
  --version           mostra la versione ed esce
  --debug-log FILE    scrive i messaggi di diagnostica in coda a FILE
                      (anche con la variabile d&apos;ambiente GATEPOINT_DEBUG_LOG=FILE)
</source>
        <translation>Usage: %1 [options] [--hide | BUTTON [FILE...] [processpidpath::PATH]]

Without arguments it opens the launcher window; with --hide it opens it hidden, with only the icon in the notification area.
With the name of a button it hands the files that follow to that button and ends; processpidpath::PATH writes the id of the started program to PATH.

Options:
  --help              show this help and exit
  --version           show the version and exit
  --debug-log FILE    append the diagnostic messages to FILE
                      (also with the environment variable GATEPOINT_DEBUG_LOG=FILE)
</translation>
    </message>
</context>
</TS>
