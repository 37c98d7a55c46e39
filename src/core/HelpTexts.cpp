#include "core/HelpTexts.h"

#include <algorithm>
#include <array>
#include <string>

namespace mv {

namespace {

constexpr int kHeader = 0; // Signal-table header row
constexpr int kData = 1;   // any Signal-table data row

// The Signal table: headings come from the column captions.
constexpr HelpEntry sig(int row, int column, std::string_view en, std::string_view cz) {
    return {kSignalTableTarget, row, column, {}, {en, cz}};
}
constexpr HelpEntry ctl(std::string_view target, std::string_view headEn, std::string_view headCz,
                        std::string_view en, std::string_view cz) {
    return {target, kAnyCell, kAnyCell, {headEn, headCz}, {en, cz}};
}
constexpr HelpEntry cell(std::string_view target, int row, int column, std::string_view headEn,
                         std::string_view headCz, std::string_view en, std::string_view cz) {
    return {target, row, column, {headEn, headCz}, {en, cz}};
}
constexpr HelpEntry page(int tab, std::string_view head, std::string_view en, std::string_view cz) {
    return {kPageControlTarget, kAnyCell, tab, {head, head}, {en, cz}};
}

constexpr std::string_view kFnEn =
    "Applying functions to a signal. The [Enter] or [Space] key expands the list of available "
    "functions,\nuse the arrows to select the desired function and press the [Enter] key to "
    "confirm.";
constexpr std::string_view kFnCz =
    "Použití funkcí na signál. Klávesa [Enter] nebo [mezerník] rozbalí seznam dostupných "
    "funkcí,\nšipkami vyberte požadovanou funkci a potvrďte ji klávesou [Enter].";
constexpr std::string_view kStatHeadEn =
    "[LMouse] on header - toggles the header's green background color.\n"
    "[Ctrl]+[LMouse] on header - pastes the time header and the green columns\n"
    "into the sheet set in \"Excel output WS\" at the row \"Row in xls\".";
constexpr std::string_view kStatHeadCz =
    "[LMouse] na záhlaví - přepne zelené podbarvení záhlaví.\n"
    "[Ctrl]+[LMouse] na záhlaví - vloží časové záhlaví a zelené sloupce\n"
    "do listu zvoleného v \"Excel output WS\" na řádek \"Row in xls\".";

const std::array kEntries = {
    // ---- Signal table, data rows -------------------------------------------------------
    sig(kData, 1,
        "Press [Enter] or [Space bar] to switch On/Off signal visibility\nClicking on the header "
        "(Plot) toggles the visibility of all signals.",
        "Klávesa [Enter] nebo [mezerník] zapíná/vypíná zobrazení signálu.\nKliknutí na záhlaví "
        "(Plot) přepne zobrazení všech signálů."),
    sig(kData, 2,
        "Signal name. Max. 64 characters. Red backlight indicates invalid name.\nClicking on the "
        "header (Signal name) shows/hides the directory path to the signals.",
        "Název signálu. Max. 64 znaků. Červené podbarvení značí neplatný název.\nKliknutí na "
        "záhlaví (Signal name) zobrazí/skryje cestu k adresáři se signály."),
    sig(kData, 3, "Displays the signal sampling frequency.",
        "Zobrazuje vzorkovací frekvenci signálu."),
    sig(kData, 4,
        "Test ID. The sequence number of the test record. Corresponds to the entry in the "
        "\"Test ID\" \ncolumn on the Log sheet in the Excel Log file.",
        "Test ID. Pořadové číslo záznamu zkoušky. Odpovídá údaji ve sloupci \"Test ID\" \n"
        "na listu Log v excelovém souboru Logu."),
    sig(kData, 5, "Signal color. [Enter] key - select signal color.",
        "Barva signálu. Klávesa [Enter] - výběr barvy signálu."),
    sig(kData, 6, "Physical units of the signal.", "Fyzikální jednotky signálu."),
    sig(kData, 7,
        "The signal value at the time indicated by the crosshair of the active graph cursor.\n"
        "The [Enter] or [Space] key changes the number of displayed decimal places.",
        "Hodnota signálu v čase, na který ukazuje nitkový kříž kurzoru aktivního grafu.\n"
        "Klávesa [Enter] nebo [mezerník] mění počet zobrazených desetinných míst."),
    sig(kData, 8, "The sample number in time that the crosshair of the active graph points to.",
        "Číslo vzorku v čase, na který ukazuje nitkový kříž aktivního grafu."),
    sig(kData, 9, "Number of samples displayed in the active graph.",
        "Počet vzorků zobrazených v aktivním grafu."),
    sig(kData, 10, "Minimum signal value in the active graph.",
        "Nejmenší hodnota signálu v aktivním grafu."),
    sig(kData, 11, "Maximum signal value in the active graph.",
        "Největší hodnota signálu v aktivním grafu."),
    sig(kData, 12, "The mean (average) value of the signal in the active graph.",
        "Střední (průměrná) hodnota signálu v aktivním grafu."),
    sig(kData, 13, "The effective (RMS) value of the signal in the active graph.",
        "Efektivní hodnota (RMS) signálu v aktivním grafu."),
    sig(kData, 14,
        "Time shift of the signal. The entered value shifts the signal along the time "
        "(horizontal) axis. It is entered in [s].",
        "Časový posun signálu. Zadaná hodnota posune signál po časové (vodorovné) ose. Zadává "
        "se v [s]."),
    sig(kData, 15, kFnEn, kFnCz),
    sig(kData, 16, kFnEn, kFnCz),
    sig(kData, 17, kFnEn, kFnCz),
    sig(kData, 18, kFnEn, kFnCz),
    sig(kData, 19,
        "[Enter] or [Space] key - Turns on/off the signal processing preset by functions.\n"
        "Ctrl+R processes the marked signals over the time range of the upper graph,\n"
        "Ctrl+T over the time range of the lower graph.",
        "Klávesa [Enter] nebo [mezerník] - zapíná/vypíná předvolbu zpracování signálu "
        "funkcemi.\nCtrl+R zpracuje označené signály v časovém rozsahu horního grafu,\n"
        "Ctrl+T v časovém rozsahu dolního grafu."),
    sig(kData, 20,
        "[Enter] or [Space] key - Turns on/off the signal overwriting preset after processing "
        "by functions.\nOn: the processed signal overwrites the signal in its own row.\n"
        "Off: the processed signal is written as a new signal into the nearest free row,\n"
        "the original signal stays unchanged.",
        "Klávesa [Enter] nebo [mezerník] - zapíná/vypíná předvolbu přepsání signálu po "
        "zpracování funkcemi.\nZapnuto: zpracovaný signál přepíše signál ve svém řádku.\n"
        "Vypnuto: zpracovaný signál se zapíše jako nový signál do nejbližšího volného řádku,\n"
        "původní signál zůstane beze změny."),
    sig(kData, 21,
        "[Enter] or [Space] key - Turns on/off the signal export preset.\n"
        "Marked signals are saved in the format chosen in \"Save file format\".\n"
        "Ctrl+Up / Ctrl+Down lower / raise the save divider n,\n"
        "the signal is saved with f_save = fs / n.\n"
        "Saving: graph menu \"Save signals to ...\" or \"Save to actual dir\".",
        "Klávesa [Enter] nebo [mezerník] - zapíná/vypíná předvolbu exportu signálu.\n"
        "Označené signály se ukládají ve formátu zvoleném v \"Save file format\".\n"
        "Ctrl+Up / Ctrl+Down zmenší / zvětší dělitel ukládání n,\n"
        "signál se uloží s f_save = fs / n.\n"
        "Uložení: menu grafu \"Save signals to ...\" nebo \"Save to actual dir\"."),
    sig(kData, 22, "Info field. (sensor type, serial number)",
        "Informační pole. (typ snímače, výrobní číslo)"),
    sig(kData, 23, "Info field. (sensor position,...)", "Informační pole. (umístění snímače,...)"),
    // ---- Signal table, header row ------------------------------------------------------
    sig(kHeader, 1, "[LMouse]  on the header - toggles the visibility of all signals.",
        "[LMouse]  na záhlaví - přepne zobrazení všech signálů."),
    sig(kHeader, 2, "[LMouse]  on the header - shows/hides the directory path to the signals.",
        "[LMouse]  na záhlaví - zobrazí/skryje cestu k adresáři se signály."),
    sig(kHeader, 7, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 8, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 9, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 10, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 11, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 12, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 13, kStatHeadEn, kStatHeadCz),
    sig(kHeader, 19, "[Mouse] on header - toggles \"Pro Fn\" state",
        "[Mouse] na záhlaví - přepne stav \"Pro Fn\""),
    sig(kHeader, 20, "[LMouse] on header - toggles \"Overwrite\" state",
        "[LMouse] na záhlaví - přepne stav \"Overwrite\""),
    sig(kHeader, 21, "[LMouse] on header - toggles \"f export [Hz]\" state",
        "[LMouse] na záhlaví - přepne stav \"f export [Hz]\""),

    // ---- Tool pages, one text per tab ---------------------------------------------------
    page(0, "Bulk ID process",
         "Evaluates the tests of the Log from \"From ID\" to \"to\" as the open EvaLog workbook "
         "describes:\nopens each test's signals, computes the signals of the EvaLog, saves "
         "them and logs the results.\nSingle tests: the current ID, the previous or the next "
         "one.",
         "Vyhodnotí zkoušky Logu od \"From ID\" do \"to\" podle otevřeného sešitu EvaLog:\n"
         "otevře signály každé zkoušky, vypočte signály EvaLogu, uloží je a zapíše "
         "výsledky.\nJednotlivé zkoušky: aktuální ID, předchozí nebo následující."),
    page(1, "Generator",
         "Generates a test signal into the chosen signal row: the sum of up to four swept "
         "sines\nwith noise, gain and offset, or a simulated work cycle.\n\"RainFlow\" counts "
         "the cycles of the plotted signals into the output sheet.",
         "Vygeneruje zkušební signál do zvoleného řádku signálů: součet až čtyř rozmítaných "
         "sinusovek\ns šumem, zesílením a posunem, nebo simulaci pracovního cyklu.\n"
         "\"RainFlow\" spočítá cykly zobrazených signálů do výstupního listu."),
    page(2, "raw to QYTL",
         "Computes the wheel-rail forces Q, Y, T and the contact point L of the measuring "
         "wheels\nfrom their raw bridge signals, for the tests from \"From ID\" to \"to\".\n"
         "The wheel table chooses the wheels, the function table the saved signals.",
         "Vypočte síly kolo-kolejnice Q, Y, T a bod dotyku L měřicích kol\nz jejich "
         "surových signálů můstků pro zkoušky od \"From ID\" do \"to\".\nTabulka kol volí "
         "zpracovaná kola, tabulka funkcí ukládané signály."),
    page(3, "Calibr QYTL coef",
         "Computes the calibration coefficients of one measuring wheel from runs on the "
         "calibration stand\nand writes them into the sheet \"CalibrWS\" of the Log "
         "workbook.\nOrder: direction, \"Load calibration files\", window of samples, then "
         "the computation.",
         "Vypočte kalibrační koeficienty jednoho měřicího kola z jízd na kalibrační stolici\n"
         "a zapíše je do listu \"CalibrWS\" sešitu Logu.\nPostup: směr, \"Load calibration "
         "files\", okno vzorků, pak výpočet."),
    page(4, "Align km",
         "Aligns the measured track kilometre with the track: the measured curvature is "
         "compared\nwith the design curvature (BauCurve) of the track-information workbook.\n"
         "Slope and offset stretch and shift the kilometre; \"Save aligned \" writes the result.",
         "Srovná naměřený traťový kilometr s tratí: naměřená křivost se porovnává\ns "
         "projektovanou křivostí (BauCurve) ze sešitu informací o trati.\nSklon a posun "
         "natáhnou a posunou kilometr; \"Save aligned \" uloží výsledek."),
    page(5, "Curve2xls",
         "Derives the track elements (straight track, curves, transition curves) from the "
         "measured curvature\nof a test and saves them as a new track-information workbook.",
         "Odvodí prvky trati (přímou, oblouky, přechodnice) z naměřené křivosti zkoušky\n"
         "a uloží je jako nový sešit informací o trati."),

    // ---- Control panel, left: the test ----------------------------------------------------
    ctl("LogNameLabel", "Log name", "Jméno Logu",
        "The Log workbook: an open workbook with the sheet \"Log\" whose cell A2 reads \"Ini "
        "sheet\".\nIt lists the tests; open it in File -> \"Workbooks...\".",
        "Sešit Logu: otevřený sešit s listem \"Log\", jehož buňka A2 obsahuje \"Ini sheet\".\n"
        "Obsahuje seznam zkoušek; otevírá se v File -> \"Workbooks...\"."),
    ctl("TestIDNumberEdit", "Test ID", "Test ID",
        "Number of the selected test in the Log. Its date, time and directory are shown "
        "beside it.\n[Enter] or Ctrl+Enter opens the test's signals,\nCtrl + numeric-keypad "
        "plus / minus selects the next / previous test.",
        "Číslo vybrané zkoušky v Logu. Vedle se zobrazí její datum, čas a adresář.\n[Enter] "
        "nebo Ctrl+Enter otevře signály zkoušky,\nCtrl + plus / minus na numerické "
        "klávesnici vybere další / předchozí zkoušku."),
    ctl("TestDescGrid", "Test description", "Popis zkoušky",
        "The path of the selected test, one directory level per row, taken from the Log.\n"
        "The left column holds the level captions and can be edited.",
        "Cesta k vybrané zkoušce, v každém řádku jedna úroveň adresáře, převzatá z Logu.\n"
        "Levý sloupec obsahuje názvy úrovní a lze jej upravit."),
    ctl("TestDateLabel", "Test date", "Datum zkoušky",
        "Date of the selected test, from its \"Save off\" row in the Log.",
        "Datum vybrané zkoušky z jejího řádku \"Save off\" v Logu."),
    ctl("TestTimeLabel", "Test time", "Čas zkoušky",
        "Time of the selected test, from its \"Save off\" row in the Log.",
        "Čas vybrané zkoušky z jejího řádku \"Save off\" v Logu."),
    ctl("CalibrFilePathLabel", "Test directory", "Adresář zkoušky",
        "Directory of the selected test, where its signal files lie.\nThe calibration and the "
        "QYTL computation read their files from here.",
        "Adresář vybrané zkoušky, ve kterém leží soubory jejích signálů.\nKalibrace a výpočet "
        "QYTL odtud čtou své soubory."),

    // ---- Control panel, middle -------------------------------------------------------------
    ctl("f_process_NumberEdit", "f process [Hz]", "f process [Hz]",
        "Default signal sampling frequency. Signals read from files without a sampling "
        "frequency\nof their own (Matlab -v6, ASCII, Single IEEE754) and generated signals "
        "get it.\nThe replay of the Monitors window runs at this rate.",
        "Výchozí vzorkovací frekvence signálů. Dostanou ji signály načtené ze souborů bez "
        "vlastní\nvzorkovací frekvence (Matlab -v6, ASCII, Single IEEE754) a generované "
        "signály.\nTouto rychlostí běží přehrávání v okně Monitors."),
    ctl("InvDeltaTLabel", "1/DeltaT", "1/DeltaT",
        "The reciprocal of the time span of the rectangle dragged with the left mouse button\n"
        "in a graph: the frequency of one period marked by it.",
        "Převrácená hodnota časové délky obdélníku taženého levým tlačítkem myši v grafu:\n"
        "frekvence jedné periody jím vyznačené."),
    ctl("ExcelCopyRowsEdit", "Max count of numbers paste to Excel",
        "Max. počet čísel vložených do Excelu",
        "\"Copy sign.to Excel\" (graph menu) thins the samples of the window\nto about this "
        "number of values per signal.",
        "\"Copy sign.to Excel\" (menu grafu) proředí vzorky okna\nna přibližně tento počet "
        "hodnot na signál."),
    ctl("RowInXlsEdit", "Row in Excel where next data will pasted",
        "Řádek v Excelu, kam se vloží další data",
        "Ctrl + left click in a graph pastes the readings at that time into this row\nof the "
        "output sheet; every paste moves it one row down.",
        "Ctrl + levé tlačítko v grafu vloží odečty v daném čase do tohoto řádku\nvýstupního "
        "listu; každé vložení jej posune o řádek níž."),
    ctl("ExcelOutComboBox", "Excel output WS", "Excel output WS",
        "The output sheet: \"Copy sign.to Excel\", the readings of Ctrl + click and \"RainFlow\" "
        "write into it.\nThe list holds the sheets of the open workbooks.",
        "Výstupní list: zapisují do něj \"Copy sign.to Excel\", odečty Ctrl + kliknutí a "
        "\"RainFlow\".\nSeznam obsahuje listy otevřených sešitů."),
    ctl("TrackInfoSubdirectoryEdit", "Track info subdir.", "Track info subdir.",
        "Subfolder of the Log's folder that holds the track-information workbooks\n(used by "
        "\"Align km\" and \"Curve2xls\").",
        "Podadresář adresáře Logu se sešity informací o trati\n(používají je \"Align km\" a "
        "\"Curve2xls\")."),
    ctl("TrackInfoNameLabel", "Track information file", "Soubor informací o trati",
        "The track-information workbook of the selected test, found by the track named in "
        "the Log.\nThe \"Align km\" buttons work only while it is found.",
        "Sešit informací o trati vybrané zkoušky, nalezený podle trati uvedené v Logu.\n"
        "Tlačítka \"Align km\" fungují, jen když je nalezen."),
    ctl("LoadFileFormatRadioGroup", "Set signal file input format",
        "Nastavení vstupního formátu souborů signálů",
        "The format in which \"Open signal...\" and the test commands read signal files.\n"
        "Morvanet *.mvn, Matlab -v6 *.mat, ASCII text, Single IEEE754 raw floats,\nB&K "
        "BKC / CSV / WAV / PTI recorder files, Interfleet raw IWT4.",
        "Formát, ve kterém \"Open signal...\" a příkazy zkoušek čtou soubory signálů.\n"
        "Morvanet *.mvn, Matlab -v6 *.mat, text ASCII, Single IEEE754 surová čísla,\n"
        "soubory záznamníků B&K BKC / CSV / WAV / PTI, Interfleet raw IWT4."),
    ctl("SaveFileFormatRadioGroup", "Set export file format",
        "Nastavení formátu ukládaných souborů",
        "The format in which signals are saved: Morvanet *.mvn, Matlab -v6 *.mat,\nASCII "
        "text or Single IEEE754 raw floats.",
        "Formát, ve kterém se ukládají signály: Morvanet *.mvn, Matlab -v6 *.mat,\ntext "
        "ASCII nebo Single IEEE754 surová čísla."),
    ctl("FillSigNoEdit", "Sig no. to fill", "Sig no. to fill",
        "Number of the signal that \"Fill signal\" (Ctrl+F) fills with the fill value.\n0 "
        "switches filling off.",
        "Číslo signálu, který \"Fill signal\" (Ctrl+F) vyplní hodnotou.\n0 vyplňování "
        "vypne."),
    ctl("FillValueEdit", "Fill value", "Hodnota výplně",
        "The value \"Fill signal\" writes into the samples of the signal\nwithin the time "
        "window of the lower graph.",
        "Hodnota, kterou \"Fill signal\" zapíše do vzorků signálu\nv časovém okně dolního "
        "grafu."),
    ctl("FillSignalButton", "Fill signal", "Fill signal",
        "Sets the samples of signal \"Sig no. to fill\" within the time window of the lower "
        "graph\nto the fill value (also Control -> \"Fill value\", Ctrl+F).",
        "Nastaví vzorky signálu \"Sig no. to fill\" v časovém okně dolního grafu\nna hodnotu "
        "výplně (také Control -> \"Fill value\", Ctrl+F)."),

    // ---- "Bulk ID process" -----------------------------------------------------------------
    ctl("FromIDEdit", "From ID", "From ID",
        "Bulk processing is performed from the specified ID\nup to the ID in \"to\" "
        "(\"Bulk ID process\" and \"Compute QYTL\").",
        "Hromadné zpracování začne od zadaného ID\na skončí u ID v \"to\" (\"Bulk ID process\" "
        "a \"Compute QYTL\")."),
    ctl("ToIDEdit", "to", "to",
        "The last Test ID of the bulk processing\n(\"Bulk ID process\" and \"Compute QYTL\").",
        "Poslední Test ID hromadného zpracování\n(\"Bulk ID process\" a \"Compute QYTL\")."),
    ctl("EvaLogNameLabel", "EvaLog name", "EvaLog name",
        "The EvaLog workbook that describes the evaluation: an open workbook with the sheet "
        "\"PARAM\"\nwhose cell \"Ident\" is filled in.",
        "Sešit EvaLog, který popisuje vyhodnocení: otevřený sešit s listem \"PARAM\",\njehož "
        "buňka \"Ident\" je vyplněna."),
    ctl("ProcTypeLabel", "Calculation type", "Typ výpočtu",
        "The processing type named in the EvaLog (\"Ident\"): \"EN14363_BauCurve\" runs the "
        "full\nevaluation with zones and sections, any other name the plain computation "
        "(Calc).",
        "Typ zpracování uvedený v EvaLogu (\"Ident\"): \"EN14363_BauCurve\" spustí úplné\n"
        "vyhodnocení se zónami a úseky, jakýkoli jiný název jen výpočet (Calc)."),
    ctl("ProcInfoLabel", "Current ID", "Aktuální ID",
        "The Test ID the bulk processing is working on, or the last one and how it ended\n"
        "(processed, skipped or failed).",
        "Test ID, které hromadné zpracování právě zpracovává, nebo poslední a jak skončilo\n"
        "(zpracováno, přeskočeno nebo chyba)."),
    ctl("DestinationBasePathEdit", "Destination base directory", "Cílový základní adresář",
        "The actual directory: signals saved \"to actual dir\" and the results of the bulk\n"
        "processing go here. It is shown in the window caption.",
        "Aktuální adresář: sem se ukládají signály \"to actual dir\" a výsledky hromadného\n"
        "zpracování. Zobrazuje se v titulku okna."),
    ctl("SelectDestinationBasePathButton", "Destination base path...", "Destination base path...",
        "Chooses the destination base directory in a folder dialog.",
        "Vybere cílový základní adresář v dialogu složek."),
    ctl("ProcessFrom_To_IDButton", "Process ID range", "Zpracování rozsahu ID",
        "Runs the EvaLog evaluation for every Test ID from \"From ID\" to \"to\";\neach test "
        "is opened and shown as it is done.",
        "Spustí vyhodnocení EvaLogu pro každé Test ID od \"From ID\" do \"to\";\nkaždá "
        "zkouška se při zpracování otevře a zobrazí."),
    ctl("ProcessOneIDButton", "Process actual ID", "Process actual ID",
        "Runs the EvaLog evaluation for the Test ID selected in \"Test ID\".",
        "Spustí vyhodnocení EvaLogu pro Test ID vybrané v \"Test ID\"."),
    ctl("ProcPrevIDButton", "Proc.prev ", "Proc.prev ",
        "Selects the previous Test ID and runs the EvaLog evaluation for it.",
        "Vybere předchozí Test ID a spustí pro ně vyhodnocení EvaLogu."),
    ctl("ProcNextIDButton", "Proc.next", "Proc.next",
        "Selects the next Test ID and runs the EvaLog evaluation for it.",
        "Vybere následující Test ID a spustí pro ně vyhodnocení EvaLogu."),
    ctl("SaveProcSigCheckBox", "Save processed signals", "Save processed signals",
        "On: the bulk processing saves the computed signals into the test directories.\nOff: "
        "it only computes and logs the results.",
        "Zapnuto: hromadné zpracování uloží vypočtené signály do adresářů zkoušek.\n"
        "Vypnuto: jen počítá a zapisuje výsledky."),
    ctl("BackupExportSignalUpCheckBox", "Backup saved signals   *.*0",
        "Backup saved signals   *.*0",
        "On: a file about to be overwritten by saving is kept as a backup\nwhose extension "
        "ends in \"0\" (Speed.mvn becomes Speed.mv0).",
        "Zapnuto: soubor, který by uložení přepsalo, se zachová jako záloha,\njejíž přípona "
        "končí \"0\" (ze Speed.mvn se stane Speed.mv0)."),
    ctl("KeepNameCheckBox", "Keep signal name after FnProc", "Keep signal name after FnProc",
        "On: a signal processed by functions keeps its name.\nOff: \"_\" and the name of each "
        "function are added to it.",
        "Zapnuto: signál zpracovaný funkcemi si ponechá své jméno.\nVypnuto: ke jménu se "
        "připojí \"_\" a název každé funkce."),

    // ---- "Generator" ------------------------------------------------------------------------
    ctl("GenerSignalNoNumberEdit", "Signal No.", "Signal No.",
        "Number of the signal (row of the Signal table) that receives the generated signal.",
        "Číslo signálu (řádku tabulky signálů), do kterého se vygeneruje signál."),
    ctl("SamplesNumberEdit", "Samples", "Samples",
        "Number of samples of the generated signal; it is sampled at \"f process [Hz]\".",
        "Počet vzorků generovaného signálu; vzorkuje se frekvencí \"f process [Hz]\"."),
    ctl("GeneratorGrid", "Generator table", "Tabulka generátoru",
        "One row per component: the sine sweeps from f1 to f2 [Hz], \"Random\" adds uniform "
        "noise,\n\"Slope\" multiplies and \"Offset\" is added. The components are summed.",
        "Jeden řádek na složku: sinusovka se rozmítá od f1 do f2 [Hz], \"Random\" přidá "
        "rovnoměrný šum,\n\"Slope\" násobí a \"Offset\" se přičte. Složky se sečtou."),
    ctl("InstantGenerateCheckBox", "Instant Gener.", "Instant Gener.",
        "On: the signal is generated again at once whenever a parameter is edited.",
        "Zapnuto: signál se vygeneruje znovu ihned po každé změně parametru."),
    ctl("WorkSimulateCheckBox", "Work simulate", "Work simulate",
        "On: generates a fixed noise - ramp - noise pattern that imitates a work cycle\n"
        "instead of the sines of the table.",
        "Zapnuto: místo sinusovek z tabulky vygeneruje pevný průběh šum - rampa - šum,\n"
        "který napodobuje pracovní cyklus."),
    ctl("RainFlowSpeedButton", "RainFlow", "RainFlow",
        "Counts the cycles of every plotted signal within the lower graph's window\n(rainflow "
        "method) and writes the counts into the workbook of the output sheet.",
        "Spočítá cykly každého zobrazeného signálu v okně dolního grafu\n(metoda rainflow) a "
        "zapíše četnosti do sešitu výstupního listu."),

    // ---- "raw to QYTL" ----------------------------------------------------------------------
    ctl("WheelGrid", "Wheel table", "Tabulka kol",
        "One row per measuring wheel (device 1..32): wheel name, zeroing, high and low pass "
        "[Hz].\n\"Proc\" marks the wheels that \"Compute QYTL\" processes ([Enter] or [Space] "
        "toggles it).",
        "Jeden řádek na měřicí kolo (device 1..32): jméno kola, nulování, horní a dolní "
        "propust [Hz].\n\"Proc\" označuje kola, která \"Compute QYTL\" zpracuje ([Enter] nebo "
        "[mezerník] jej přepne)."),
    cell("WheelGrid", kAnyCell, 0, "DevNo", "DevNo",
         "Device number: the block of the wheel's calibration in the sheet \"CalibrWS\".",
         "Číslo zařízení: blok kalibrace kola v listu \"CalibrWS\"."),
    cell("WheelGrid", kAnyCell, 1, "Wheel name", "Wheel name",
         "Name of the wheel: the prefix of its raw bridge files and of its output signals.",
         "Jméno kola: předpona souborů jeho surových můstků a jeho výstupních signálů."),
    cell("WheelGrid", kAnyCell, 2, "Zeroing", "Zeroing",
         "Zeroing of the bridge signals: 0 = off, 1 = the mean of the first block is "
         "subtracted,\nn > 1 = the offset is renewed every n samples.",
         "Nulování signálů můstků: 0 = vypnuto, 1 = odečte se průměr prvního bloku,\nn > 1 = "
         "posun se obnovuje každých n vzorků."),
    cell("WheelGrid", kAnyCell, 3, "High pass", "High pass",
         "High-pass corner of the bridge signals [Hz]; 0 = off.",
         "Mezní frekvence horní propusti signálů můstků [Hz]; 0 = vypnuto."),
    cell("WheelGrid", kAnyCell, 4, "Low pass", "Low pass",
         "Low-pass corner of the bridge signals [Hz]; 0 = off.",
         "Mezní frekvence dolní propusti signálů můstků [Hz]; 0 = vypnuto."),
    cell("WheelGrid", kAnyCell, 5, "Proc", "Proc",
         "\"1\": the wheel is processed by \"Compute QYTL\". [Enter] or [Space] toggles it.",
         "\"1\": kolo zpracuje \"Compute QYTL\". [Enter] nebo [mezerník] jej přepne."),
    ctl("DeviceFnGrid", "Device function table", "Tabulka funkcí zařízení",
        "The signals the QYTL computation produces for each wheel (filtered bridges, Q, Y, T, "
        "L, ...).\n\"Save\" marks those written as output signals ([Enter] or [Space] toggles "
        "it);\nthe status bar describes the selected one.",
        "Signály, které výpočet QYTL vytváří pro každé kolo (filtrované můstky, Q, Y, T, L, "
        "...).\n\"Save\" označuje ty, které se zapíší jako výstupní signály ([Enter] nebo "
        "[mezerník] jej přepne);\nstavový řádek popisuje vybraný signál."),
    ctl("QYTL_filter_NumberEdit", "QYTL filter [Hz]", "QYTL filter [Hz]",
        "Low-pass corner of the output forces Q, Y, T and L [Hz].\n0 leaves them unfiltered.",
        "Mezní frekvence dolní propusti výstupních sil Q, Y, T a L [Hz].\n0 je ponechá bez "
        "filtrace."),
    ctl("ExportSaveDivNumberEdit", "Save divider", "Save divider",
        "\"0\" mean Saving off. \"1\" mean save each sample, \"2\" mean save every second "
        "sample etc.\nApplies to the output signals of \"Compute QYTL\".",
        "\"0\" znamená bez ukládání, \"1\" uloží každý vzorek, \"2\" každý druhý vzorek atd.\n"
        "Platí pro výstupní signály \"Compute QYTL\"."),
    ctl("ComputeQytlButton", "Compute QYTL", "Compute QYTL",
        "Computes Q, Y, T and L of the wheels marked \"Proc\" for the tests from \"From ID\" "
        "to \"to\"\nand saves the signals marked \"Save\" into the test directories.\n[Esc] "
        "cancels the run.",
        "Vypočte Q, Y, T a L kol označených \"Proc\" pro zkoušky od \"From ID\" do \"to\"\na "
        "uloží signály označené \"Save\" do adresářů zkoušek.\n[Esc] běh zruší."),

    // ---- "Calibr QYTL coef" -----------------------------------------------------------------
    ctl("DevNoNumberEdit", "DevNo", "DevNo",
        "Device number whose calibration coefficients are computed\n(its block in the sheet "
        "\"CalibrWS\"; on the calibration stand usually 5).",
        "Číslo zařízení, pro které se počítají kalibrační konstanty\n(jeho blok v listu "
        "\"CalibrWS\"; při kalibraci na stolici obvykle 5)."),
    ctl("CalibrDirectionRadioGroup", "Calibr direction", "Calibr direction",
        "Direction of rotation of the calibration run: \"Forward\" or \"Backward\".\nThe "
        "buttons of the page are enabled once a direction is chosen.",
        "Směr otáčení kalibrační jízdy: \"Forward\" (vpřed) nebo \"Backward\" (vzad).\n"
        "Tlačítka stránky se zpřístupní po zvolení směru."),
    ctl("LoadCalibrFilesButton", "Load calibration files", "Load calibration files",
        "Loads the stand forces FQ, FY and the bridge signals of the selected test\nand shows "
        "the filtered bridge B1, SinMA and HWP, so that the window of samples\ncan be picked "
        "with Ctrl + left click in a graph.",
        "Načte síly stolice FQ, FY a signály můstků vybrané zkoušky\na zobrazí filtrovaný "
        "můstek B1, SinMA a HWP, aby bylo možné vybrat okno vzorků\npomocí Ctrl + levého "
        "tlačítka v grafu."),
    ctl("Compute_Q3_koef_Button", "Compute Q3 coef", "Compute Q3 coef",
        "Computes by least squares the coefficients of the positions 0, 45, 90 and 135 "
        "degrees\n(Q3_P1 .. Q3_P4) from a forward run. Only for the direction \"Forward\".",
        "Vypočte metodou nejmenších čtverců koeficienty poloh 0, 45, 90 a 135 stupňů\n"
        "(Q3_P1 .. Q3_P4) z jízdy vpřed. Pouze pro směr \"Forward\"."),
    ctl("Compute_QYTL_coef_Button", "Compute QYTL calibr.coef.", "Compute QYTL calibr.coef.",
        "Computes the coefficients of Q, Y, T and L for all 360 angular positions\nof the "
        "chosen direction and writes them into the device's block in \"CalibrWS\".",
        "Vypočte koeficienty Q, Y, T a L pro všech 360 úhlových poloh\nzvoleného směru a "
        "zapíše je do bloku zařízení v \"CalibrWS\"."),
    ctl("From_To_Sample_StringGrid", "From sample / To sample", "From sample / To sample",
        "The window of samples used by the calibration.", "Okno vzorků, které kalibrace použije."),
    cell("From_To_Sample_StringGrid", kAnyCell, 0, "From sample", "From sample",
         "First sample of the calibration window. Pick it with Ctrl + left click in a graph\n"
         "or type it; the value goes into the device's block in \"CalibrWS\".",
         "První vzorek kalibračního okna. Vyberte jej pomocí Ctrl + levého tlačítka v grafu\n"
         "nebo jej napište; hodnota se zapíše do bloku zařízení v \"CalibrWS\"."),
    cell("From_To_Sample_StringGrid", kAnyCell, 1, "To sample", "To sample",
         "Last sample of the calibration window. Pick it with Ctrl + left click in a graph\n"
         "or type it; the value goes into the device's block in \"CalibrWS\".",
         "Poslední vzorek kalibračního okna. Vyberte jej pomocí Ctrl + levého tlačítka v "
         "grafu\nnebo jej napište; hodnota se zapíše do bloku zařízení v \"CalibrWS\"."),
    ctl("HP_f_NumberEdit", "HP [Hz]", "HP [Hz]",
        "High pass. Typ. 0.05 Hz\nHigh-pass corner of the bridge signals of the calibration "
        "runs.",
        "Horní propust. Obvykle 0.05 Hz\nMezní frekvence horní propusti signálů můstků "
        "kalibračních jízd."),
    ctl("LP_f_NumberEdit", "LP [Hz]", "LP [Hz]",
        "Low pass. Typ. 80 Hz\nLow-pass corner of the bridge signals of the calibration runs; "
        "0 = off.",
        "Dolní propust. Obvykle 80 Hz\nMezní frekvence dolní propusti signálů můstků "
        "kalibračních jízd; 0 = vypnuto."),

    // ---- "Align km" ---------------------------------------------------------------------------
    ctl("Align_km_FileNameStringGrid", "Align km files", "Soubory pro Align km",
        "File names (without extension) of the signals used to align the track kilometre.",
        "Jména souborů (bez přípon) signálů pro srovnání traťových km."),
    cell("Align_km_FileNameStringGrid", 0, kAnyCell, "Meas.curve", "Meas.curve",
         "File name (without extension) of the measured curvature signal [mm].",
         "Jméno souboru (bez přípony) signálu naměřené křivosti [mm]."),
    cell("Align_km_FileNameStringGrid", 1, kAnyCell, "Meas.track_km", "Meas.track_km",
         "File name (without extension) of the measured track kilometre signal [km].",
         "Jméno souboru (bez přípony) signálu naměřeného traťového kilometru [km]."),
    cell("Align_km_FileNameStringGrid", kAnyCell, 0, "uf sensor distance", "Vzdálenost snímače uf",
         "Distance [m] of a cant-deficiency (uf) sensor from the curvature sensor,\npositive "
         "when it runs ahead in the direction named by \"Forward name\". Empty: not used.",
         "Vzdálenost [m] snímače nedostatku převýšení (uf) od snímače křivosti,\nkladná, "
         "když jede vpředu ve směru daném \"Forward name\". Prázdné: nepoužije se."),
    cell("Align_km_FileNameStringGrid", kAnyCell, 1, "uf sensor distance", "Vzdálenost snímače uf",
         "Distance [m] of a cant-deficiency (uf) sensor from the curvature sensor,\npositive "
         "when it runs ahead in the direction named by \"Forward name\". Empty: not used.",
         "Vzdálenost [m] snímače nedostatku převýšení (uf) od snímače křivosti,\nkladná, "
         "když jede vpředu ve směru daném \"Forward name\". Prázdné: nepoužije se."),
    cell("Align_km_FileNameStringGrid", kAnyCell, 2, "uf sensor label", "Označení snímače uf",
         "Label of the uf sensor; it becomes part of the names of its aligned signals.",
         "Označení snímače uf; stane se součástí jmen jeho srovnaných signálů."),
    ctl("Align_mmToCurve_kmNumberEdit", "mm to curve 1/km", "mm to curve 1/km",
        "Factor from the units of the measured curvature to the curvature in 1/km.",
        "Převodní součinitel z jednotek naměřené křivosti na křivost v 1/km."),
    ctl("Track_km_Slope_NumberEdit", "Track km slope:", "Track km slope:",
        "Stretch factor of the measured track kilometre. A change aligns the signals again.",
        "Součinitel natažení naměřeného traťového kilometru. Změna znovu srovná signály."),
    ctl("Track_km_ofset_m_NumberEdit", "Track km offs. [m]", "Track km offs. [m]",
        "Shift of the measured track kilometre in metres. A change aligns the signals again.",
        "Posun naměřeného traťového kilometru v metrech. Změna znovu srovná signály."),
    ctl("ChangeBauCurveSignumCheckBox", "Change BauCurve signum", "Change BauCurve signum",
        "On: the design curvature (BauCurve) of the track workbook is taken with the opposite "
        "sign,\nso that it matches a measured curvature of the other sign.",
        "Zapnuto: projektovaná křivost (BauCurve) ze sešitu trati se bere s opačným "
        "znaménkem,\naby odpovídala naměřené křivosti opačného znaménka."),
    ctl("ForwardDirectoryNameEdit", "Forward name", "Forward name",
        "Name of the second path level of tests run forward (\"Vpred\").\nIt decides the "
        "direction of travel and so the sign of the uf sensor distances.",
        "Jméno druhé úrovně cesty zkoušek jetých vpřed (\"Vpred\").\nUrčuje směr jízdy, a "
        "tím znaménko vzdáleností snímačů uf."),
    ctl("BackwardDirectoryNameEdit", "Backw.name", "Backw.name",
        "Name of the second path level of tests run backward (\"Vzad\").",
        "Jméno druhé úrovně cesty zkoušek jetých vzad (\"Vzad\")."),
    ctl("TrackInfoStringGrid", "Track information", "Informace o trati",
        "The stretch of track read from the track-information workbook:\nfirst and last "
        "kilometre and the number of track elements.",
        "Úsek trati načtený ze sešitu informací o trati:\nprvní a poslední kilometr a počet "
        "prvků trati."),
    ctl("Align_km_OpenFiles_Button", "Open files", "Open files",
        "Opens the measured curvature and track kilometre of the selected test,\nreads the "
        "track elements and draws the BauCurve along the aligned kilometre.",
        "Otevře naměřenou křivost a traťový kilometr vybrané zkoušky,\nnačte prvky trati a "
        "vykreslí BauCurve podél srovnaného kilometru."),
    ctl("AlignPrev_IDButton", "Prev ID", "Prev ID",
        "Selects the previous Test ID and opens its files for alignment.",
        "Vybere předchozí Test ID a otevře jeho soubory ke srovnání."),
    ctl("AlignNext_IDButton", "Next ID", "Next ID",
        "Selects the next Test ID and opens its files for alignment.",
        "Vybere následující Test ID a otevře jeho soubory ke srovnání."),
    ctl("SaveAlignedSigs_Button", "Save aligned ", "Save aligned ",
        "Writes the aligned track kilometre and the BauCurve for every uf sensor\ninto the "
        "test directory.",
        "Zapíše srovnaný traťový kilometr a BauCurve pro každý snímač uf\ndo adresáře "
        "zkoušky."),

    // ---- "Curve2xls" --------------------------------------------------------------------------
    ctl("Curve2xlsStringGrid", "Curve2xls files", "Soubory pro Curve2xls",
        "File names (without extension) of the signals the track elements are derived from.",
        "Jména souborů (bez přípon) signálů, ze kterých se odvodí prvky trati."),
    cell("Curve2xlsStringGrid", 0, kAnyCell, "Speed [km/h]", "Speed [km/h]",
         "File name (without extension) of the speed signal [km/h].",
         "Jméno souboru (bez přípony) signálu rychlosti [km/h]."),
    cell("Curve2xlsStringGrid", 1, kAnyCell, "Meas.curve [mm]", "Meas.curve [mm]",
         "File name (without extension) of the measured curvature signal [mm].",
         "Jméno souboru (bez přípony) signálu naměřené křivosti [mm]."),
    cell("Curve2xlsStringGrid", 2, kAnyCell, "Meas.track_km [km]", "Meas.track_km [km]",
         "File name (without extension) of the measured track kilometre signal [km].",
         "Jméno souboru (bez přípony) signálu naměřeného traťového kilometru [km]."),
    ctl("c2x_mmToCurve_kmNumberEdit", "mm to curve 1/km", "mm to curve 1/km",
        "Factor from the units of the measured curvature to the curvature in 1/km.",
        "Převodní součinitel z jednotek naměřené křivosti na křivost v 1/km."),
    ctl("OpenCurve2xlsButton", "Open files", "Open files",
        "Opens the speed, curvature and track kilometre of the selected test,\nfinds straight "
        "track, curves and transition curves and draws the derived BauCurve.",
        "Otevře rychlost, křivost a traťový kilometr vybrané zkoušky,\nnajde přímou, oblouky "
        "a přechodnice a vykreslí odvozenou BauCurve."),
    ctl("Prev_c2x_IDButton", "Prev ID", "Prev ID",
        "Selects the previous Test ID and derives its track elements.",
        "Vybere předchozí Test ID a odvodí jeho prvky trati."),
    ctl("Next_c2x_IDButton", "Next ID", "Next ID",
        "Selects the next Test ID and derives its track elements.",
        "Vybere následující Test ID a odvodí jeho prvky trati."),
    ctl("Save_c2x_Button", "Save to Excel", "Save to Excel",
        "Saves the derived track elements as a new track-information workbook\nin the track "
        "information subfolder.",
        "Uloží odvozené prvky trati jako nový sešit informací o trati\ndo podadresáře "
        "informací o trati."),

    // ---- Monitors window ---------------------------------------------------------------------
    ctl("ScrMonForm", "Monitors", "Monitors",
        "Drag mouse when the keys [Ctrl+Left Mouse] are pressed to create or edit the chart",
        "Táhněte myší se stisknutými klávesami [Ctrl+levé tlačítko myši] pro vytvoření nebo "
        "úpravu grafu"),
    ctl("PlotSignalsSpeedButton", "Plot signals", "Plot signals",
        "Replays the signals in the polygraphs over the time window of the lower graph\nof the "
        "main window, at the rate \"f process [Hz]\".",
        "Přehraje signály v polygrafech v časovém okně dolního grafu\nhlavního okna "
        "frekvencí \"f process [Hz]\"."),
    ctl("SavePolyGraphsButton", "Save polygr.", "Save polygr.",
        "Saves all polygraphs into the sheet \"PARAM\" of the EvaLog workbook,\nfrom which they "
        "are rebuilt when the workbook is opened again.",
        "Uloží všechny polygrafy do listu \"PARAM\" sešitu EvaLog,\nze kterého se při dalším "
        "otevření sešitu znovu sestaví."),
};

bool matches(int want, int have) {
    return want == kAnyCell || want == have;
}

} // namespace

std::span<const HelpEntry> helpEntries() {
    return kEntries;
}

const HelpEntry* findHelp(std::string_view target, int row, int column) {
    // Most specific first: the cell, then its row, then its column, then the control.
    const HelpEntry* best = nullptr;
    int bestRank = -1;
    for (const HelpEntry& e : kEntries) {
        if (e.target != target || !matches(e.row, row) || !matches(e.column, column))
            continue;
        const int rank = (e.row != kAnyCell ? 2 : 0) + (e.column != kAnyCell ? 1 : 0);
        if (rank > bestRank) {
            best = &e;
            bestRank = rank;
        }
    }
    return best;
}

bool hasHelp(std::string_view target) {
    return std::any_of(kEntries.begin(), kEntries.end(),
                       [&](const HelpEntry& e) { return e.target == target; });
}

std::string signalTableHeading(std::string_view caption) {
    return "Signal table - " + std::string(caption);
}

std::string_view loadFormatHint() {
    return "Set signal file input format\n"
           "1. Morvanet - Morvanet signal file *.mvn\n"
           "2. Matlab -v6 nezipovany Matlab format\n"
           "3. ASCII - text file, one sample per line\n"
           "4. Single IEEE754 - raw 32-bit float samples\n"
           "5. B&K_BKC - Brüel & Kjær BKC file\n"
           "6. B&K_CSV - Brüel & Kjær CSV export\n"
           "7. B&K_WAV - Brüel & Kjær WAV file\n"
           "8. B&K_PTI - Brüel & Kjær PTI file\n"
           "9. Intefleet raw - Interfleet raw IWT4";
}

std::string_view saveFormatHint() {
    return "Set export file format\n"
           "1. Morvanet\n"
           "2. Matlab -v6\n"
           "3. ASCII\n"
           "4. Single IEEE754";
}

} // namespace mv
