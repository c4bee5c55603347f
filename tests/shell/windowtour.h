// The program's windows in the states a user meets them in, one stop a state, for the tests
// that look at every window as it is shown: on every screen, and under any palette.
#pragma once

#include "commandtester.h"
#include "curveimage.h"
#include "monitorprogram.h"
#include "recordfile.h"
#include "statswindow.h"
#include "trafficwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>

namespace vrx::test {

// What a tour looks at: the window a stop shows.
inline QStringList TourStops() {
    return {QStringLiteral("main"),
            QStringLiteral("tester"),
            QStringLiteral("protocol"),
            QStringLiteral("about"),
            QStringLiteral("monitor"),
            QStringLiteral("monitor, hidden mode"),
            QStringLiteral("monitor, trend"),
            QStringLiteral("monitor, traced"),
            QStringLiteral("monitor, absent station, traced"),
            QStringLiteral("recorder"),
            QStringLiteral("recorder, a device dropped"),
            QStringLiteral("recorder, viewer"),
            QStringLiteral("editor, reading"),
            QStringLiteral("editor, editing"),
            QStringLiteral("monitor, statistics"),
            QStringLiteral("traffic")};
}

// The whole program on the demo controllers, its Main window shown as the program starts.
struct Tour : Program {
    Tour() { ShowMainWindow(*forms); }

    TVRX5* Editor() const { return forms->VRX5.get(); }
    TVRW3* Recorder() const { return forms->VRW3.get(); }

    bool MonitorSettled() {
        Open();
        ConnectAll();
        return RunUntil([this] {
            return monitor->CtrlBox->isVisible() && !monitor->Engine.State().SettingsReread;
        });
    }
    // Typed into the box the firmware panel opens: an access code or a trace command.
    void TypePassBox(const QString& text) {
        QTest::mouseDClick(monitor->FWVersion, Qt::LeftButton);
        QTest::keyClicks(monitor->PassEdit, text);
    }
    // Station 3 of the demo runs a program: the editor opened on it from the Monitor.
    bool EditorOpened() {
        Open();
        Connect(3);
        if (!RunUntil([this] { return monitor->ProgBt->isEnabled(); }, 60000)) return false;
        Click(monitor->ProgBt);
        return Editor()->isVisible();
    }
    QString RecordOfTwoDevices() const {
        const Addresses addresses{1, 2, 0, 0, 0, 0, 0, 0};
        QByteArray bytes = HeaderLine(addresses, 1) + "\r\n";
        for (int r = 0; r < 120; ++r) {
            Readings readings{};
            readings[0] = {true, 250 + r, 0};
            readings[1] = {true, 400 - r, 0};
            bytes += DataLine(addresses, readings, QTime(8, 0).addSecs(r)) + "\r\n";
        }
        const QString path = dir.filePath(QStringLiteral("record.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes + "End\r\n") < 0) return {};
        return path;
    }

    // Brings the program to the stop and returns the window it shows; nullptr when it could not.
    QWidget* Visit(const QString& stop) {
        TVRW0* main = forms->VRW0.get();
        if (stop == u"main") return main;
        if (stop == u"tester") {
            // A request composed: its check digits show in the computed LRC box.
            main->ToolButton5Click();
            TesterPanel* tester = main->TESTPL;
            QTest::keyClicks(tester->SCOMAddr, QStringLiteral("01"));
            tester->SCmdBox->setCurrentIndex(0);
            emit tester->SCmdBox->activated(0);
            QTest::keyClicks(tester->SFunc, QStringLiteral("4700"));
            QTest::keyClicks(tester->SDataLen, QStringLiteral("0002"));
            return tester->SChkSum->text().isEmpty() ? nullptr : main;
        }
        if (stop == u"protocol") {
            main->SetCommunication1Click();
            return forms->VRW1.get();
        }
        if (stop == u"about") {
            main->About1Click();
            return forms->VRW4.get();
        }
        if (stop == u"monitor") return MonitorSettled() ? monitor : nullptr;
        if (stop == u"monitor, hidden mode") {
            if (!MonitorSettled()) return nullptr;
            TypePassBox(QStringLiteral("KXQ"));
            return RunUntil([this] { return monitor->HiddenShown; }) ? monitor : nullptr;
        }
        if (stop == u"monitor, trend") {
            if (!MonitorSettled()) return nullptr;
            Click(monitor->DrawBt);
            Run(3000);
            return monitor->DrawIme->isVisible() ? monitor : nullptr;
        }
        if (stop == u"monitor, traced") {
            if (!MonitorSettled()) return nullptr;
            TypePassBox(QStringLiteral("trace on"));
            return monitor->ErrMess->isVisible() ? monitor : nullptr;
        }
        if (stop == u"monitor, absent station, traced") {
            // The status line turns red with the error.
            monitor->ComAddr[4]->setValue(9);
            if (!MonitorSettled()) return nullptr;
            TypePassBox(QStringLiteral("trace on"));
            return RunUntil([this] { return monitor->Engine.State().ErrorCount[4] > 0; }) &&
                           monitor->ErrMess->isVisible()
                       ? monitor
                       : nullptr;
        }
        if (stop == u"monitor, statistics") {
            // Every station connected: a row each, and figures in every column.
            if (!MonitorSettled()) return nullptr;
            monitor->findChild<QAction*>(QStringLiteral("StatsAction"))->trigger();
            StatsForm* stats = monitor->Stats;
            return stats->Table->rowCount() > 0 ? stats : nullptr;
        }
        if (stop == u"traffic") {
            if (!MonitorSettled()) return nullptr;
            // Where a window manager cascading its windows may put it: its lower half past the
            // bottom of a laptop's screen.
            TrafficForm* traffic = forms->Traffic.get();
            traffic->move(traffic->screen()->availableGeometry().center());
            main->TrafficButtonClick();
            return traffic;
        }
        if (stop == u"recorder") {
            main->Recorder1Click();
            return Recorder();
        }
        if (stop == u"recorder, a device dropped") {
            main->Recorder1Click();
            TVRW3* recorder = Recorder();
            recorder->ComAddrs[1]->setValue(9);
            Click(recorder->StartBt);
            return RunUntil([recorder] {
                return recorder->ComAddrs[1]->palette().color(QPalette::Base) !=
                       recorder->ComAddrs[0]->palette().color(QPalette::Base);
            })
                       ? recorder
                       : nullptr;
        }
        if (stop == u"recorder, viewer") {
            main->Recorder1Click();
            dialogs.openAnswers << RecordOfTwoDevices();
            QTest::mouseClick(Recorder()->DrawBt, Qt::LeftButton);
            return RunUntil([this] { return Recorder()->SelPl->isVisible(); }) ? Recorder()
                                                                               : nullptr;
        }
        if (stop == u"editor, reading") {
            if (!EditorOpened()) return nullptr;
            Click(Editor()->ReadSBt);
            return Editor()->UpLoadLabelP->isVisible() ? Editor() : nullptr;
        }
        if (stop == u"editor, editing") {
            if (!EditorOpened()) return nullptr;
            Click(Editor()->ReadSBt);
            if (!RunUntil([this] { return Editor()->EditPBt->isEnabled(); }, 60000)) return nullptr;
            Click(Editor()->EditPBt);
            return Editor()->ProgCurve->isVisible() ? Editor() : nullptr;
        }
        return nullptr;
    }
};

} // namespace vrx::test
