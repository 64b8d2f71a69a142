#include "HelpAbout.h"

#include "Delay.h"
#include "Program.h"
#include "UtilityForm.h"

#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

using namespace rallon::kit;

namespace {

// One instruction message: its menu item, the title and the lines, which
// the message joins with a carriage return. The texts are kept letter for
// letter, blanks and misspellings included.
struct Instruction {
    const char *item;  // the menu item's object name
    const char *title;
    QStringList lines;
};

const std::vector<Instruction> &instructions()
{
    static const std::vector<Instruction> table{
        {"Connect", "How to Connect",
         {"Using a Windows PC with a CommPort, connect the Tarvex Rallon ",
          "Comm 1 Port to the PC comm port using a straight through serial",
          "cable (M-F).  If the Tarvex Power Rallon has never been configured,",
          "just power it up.  If it already has a configuration you want to change,",
          "continuously press the toggle button on the front of the unit while it",
          "powers up.  You can release the button when the green LED starts to blink",
          "twice a second.  The unit is now in the configure mode.  Once you are finished",
          "configuring the unit, remove power and power it up normally (i.e. without",
          "holding the toggle button) and it will start normal operations, looking for a network",
          "connection."}},
        {"Start", "How to Start",
         {"If the green LED is blinking about twice a second, you are in the configuration mode ",
          "and may start the configuration process.  First, click on the Retrieve Configuration",
          "button to see what data is currently in the device.  Once the program has retrieved the data, it",
          "will show up in the appropriate text box under the Current Data column.  For any data",
          "that is not going to be changed, you do not have to re-enter it under the New Data Column.",
          "Once you have entered the data to be changed, in the correct format, click on the Change Configuration",
          "button to upload it to the device.  While it is uploading the data under Current Data column",
          "will go to dashes.  Once the upload is complete, the Current Data column will indicate the recently",
          "changed data and the recently entered data in the New Data column will remain there, facilitatng configuration",
          "of other Rallons on the same project."}},
        {"Enter", "How to Enter Data",
         {"Most data entry is fairly straight forward.  All network data is in the normal four octets",
          "separated by periods.  The Primary Port can be any number from 1 to 32000.",
          "Generally, use numbers above 4000 to ensure they are not used for other purposes.  Designating ",
          "the Primary Port also designates the Secondary Port (for an optional serial",
          "port on the Rallon) which will be the Primary Port incremented by one.  Make sure not to use these",
          "secondary ports on other Tarvex Power Rallons.  The SSID is limited to 21 characters.",
          "Most of the other data is entered via drop down boxes.  Erroneous entries for the most part are",
          "precluded from happening."}},
        {"PassKey", "How to Enter Data",
         {"Password - Shared Key Enrty Instructions:",
          QString(72, QLatin1Char(' ')),
          "Security protocols supported by the Tarvex Power Rallon can use either Pass Words or 64 Byte Shared Keys.",
          "It will take as much as 20 seconds for a Rallon to connect using passwords rather than shared keys,",
          "but either method is viable.  Use the button in the left most column to select between these two options.",
          "In the Password option, just type the password (up to 64 characters) in the text box across from the Password Button",
          "and under the New Data column.  Selecting the Shared Key option, will add another button on the right",
          "side of the window, labeled 'HEX'.  Press on this button to bring up another window where you may enter",
          "64 hexidecemial notations for the shared key.  Click on the Done button.  Make sure you leave the toggle",
          "button on the left where its label says 'Shared Key' before clicking Change Configuration button to ensure the",
          "system knows you are using the shared key method.",
          ""}},
        {"LEDs", "LED Indicators",
         {"Normal Operations:",
          "   Red LED       :  On indicates the Power Rallon is powered.",
          "   Yellow LED 4:  (Closest to the Red LED) On indicates the Power Rallon is supplying 120 VAC on the switched outlet.",
          "   Yellow LED 3:  On optional Relay #3 is on.",
          "   Yellow LED 2:  On optional Relay #2 is on.",
          "   Yellow LED 1:  On optional Relay #1 is on.",
          "   Green LED    :  On indicates the Power Rallon is connected to the Master Controller over the network.",
          "",
          "Configuration Operations:",
          "   Red LED      :  On indicates the Power Rallon is powered.",
          "   Green LED    :",
          "      -  Blinking twice per second:  Rallon is ready for configuration operations.",
          "      -  Blinking much faster         :  Communication error.  To recover, press the toggle button on the front."}},
    };
    return table;
}

}  // namespace

void attachHelp(UtilityForm &form, QWidget &splash, float aboutSeconds)
{
    // ABOUT clicks still waiting: a click during another's wait keeps the
    // splash up until its own wait ends; the earlier one then leaves it.
    auto waiting = std::make_shared<int>(0);
    const QPointer<QWidget> shownSplash(&splash);
    QObject::connect(form.findChild<QAction *>(QStringLiteral("ABOUT")), &QAction::triggered, &form, [shownSplash, waiting, aboutSeconds] {
        if (!shownSplash)
            return;
        ++*waiting;
        shownSplash->show();
        shownSplash->raise();
        Delay(aboutSeconds);
        if (--*waiting == 0 && shownSplash)
            shownSplash->hide();
    });

    for (const Instruction &entry : instructions()) {
        QAction *action = form.findChild<QAction *>(QLatin1String(entry.item));
        const rallon::Message message{QString::fromLatin1(entry.title),
                                      entry.lines.join(QLatin1Char('\r')), /*warning=*/false};
        UtilityForm *parent = &form;
        QObject::connect(action, &QAction::triggered, parent,
                         [parent, message] { rallon::kit::showMessage(parent, message); });
    }
}
