<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="it">
<context>
    <name>CustomFileDialog</name>
    <message>
        <source>Apri</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Seleziona una cartella</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LaunchButton</name>
    <message>
        <source>Nessun testo definito</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>All files (*.*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mi&amp;nimizza</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Ripristina</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Informazioni</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Documenti</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Primo piano</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimizza</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Esci</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Elaborazione in corso ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attendere</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gatepoint versione %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StartFailureNotice</name>
    <message>
        <source>(nessun programma)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>il programma non esiste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>nessuna cartella temporanea sicura</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>errore di sistema</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Impossibile avviare %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Avvio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>il file non è un programma eseguibile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>l&apos;unità del token non è disponibile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>la copia temporanea è stata sostituita</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Attenzione</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&apos; gia&apos; in esecuzione un&apos;altra istanza del processo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Avvio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non sono presenti risorse valide</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
