// The settings dialog's file-type associations.
#include "settings/associations.h"

#include "core/modini.h"
#include "platform/forms/prompter.h"
#include "platform/shell/associations.h"
#include "settings/config.h"

namespace modIni {

bool AssociateExt(const std::string& ext, const std::string& className, const std::string& program)
{
    (void)className;
    return shell::associateFileType(ext, program);
}

bool UnassociateExt(const std::string& ext)
{
    return shell::removeFileTypeAssociation(ext);
}

std::string AssociationProgram()
{
    // One program opens every type: the player itself, started with the
    // file's path as its command line.
    return shell::runningExecutable();
}

} // namespace modIni

using namespace modIni;

void Config::Command_Associer_Click()
{
    CheckBox* boxes[] = {&Check_Syk, &Check_Kar, &Check_Mid, &Check_Mp3};
    std::string failed;
    const std::string program = AssociationProgram();
    // The desktop's launcher cannot start a program from such a folder.
    if (program.find('%') != std::string::npos) {
        if (Langue == "Fr")
            MsgBox("Le chemin du programme contient « % » : les types de fichiers ne peuvent pas lui être associés.\n"
                       "Placez le programme dans un dossier sans « % ».\n" + program,
                   vbOKOnly + vbCritical, "");
        else
            MsgBox("The program's path holds a \"%\": file types cannot be associated with it.\n"
                   "Move the program to a folder without \"%\".\n" + program,
                   vbOKOnly + vbCritical, "");
        return;
    }
    for (std::size_t i = 0; i < kExtAssociations.size(); ++i) {
        if (boxes[i]->Value() != 1)
            continue;
        const ExtAssociation& a = kExtAssociations[i];
        if (!AssociateExt(a.ext, a.className, program))
            failed += (failed.empty() ? "" : ", ") + std::string(a.ext);
    }
    // A failure is said as such, never as done.
    if (!failed.empty()) {
        if (Langue == "Fr")
            MsgBox("Impossible d'associer : " + failed, vbOKOnly + vbCritical, "");
        else
            MsgBox("Could not associate: " + failed, vbOKOnly + vbCritical, "");
        return;
    }
    MsgBox(Langue == "Fr" ? "Complèter..." : "Done...", vbOKOnly, "");
}
