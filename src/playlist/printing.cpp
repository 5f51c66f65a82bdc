// Printing the list the main window shows: a heading naming the play-list
// file, a rule, then one line per row with its first two columns.
#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/printer.h"
#include "platform/forms/prompter.h"

void Player::Command_Print_Click()
{
    Printer prn;
    if (!prn.StartDoc("Zun Mp3 Karaoke - Play List")) {
        if (!prn.Failed())
            return;   // the print dialog was cancelled: nothing to print
    } else {
        prn.Print("Zun Mp3 Karaoke - Play List:   " + modIni::PathLst);
        prn.Print("");
        const double y = prn.CurrentY() + 10;
        prn.Line(0, y, prn.ScaleWidth(), y);
        prn.Print("");
        prn.Print("");
        for (int i = 1; i <= ListView1.ListItems.Count() && !prn.Failed(); ++i) {
            const ListItem* item = ListView1.ListItems.Item(i);
            if (item)
                prn.Print(item->Text() + "    -    " + item->SubItems(1) + "  ");
        }
        prn.EndDoc();
        if (!prn.Failed())
            return;
    }
    const bool fr = modIni::Langue == "Fr";
    MsgBox(fr ? "Erreur lors de l'impression !" : "Print Error !", vbOKOnly + vbCritical, fr ? "Erreur" : "Error");
    // What was printed before the failure is still sent.
    prn.EndDoc();
}
