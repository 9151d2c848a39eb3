#pragma once

#include <QString>

/// The program's help: opened at a topic by its name, at its contents or at a message's context,
/// and closed when the program ends.
class Help
{
public:
    virtual ~Help() = default;
    /// Opens the help at a topic: "Alarm", "View", "Kreiranje", "Opcije", "Sound".
    virtual void showTopic(const QString& topic) = 0;
    virtual void showContents() = 0;
    /// Opens the help at the context of a message box.
    virtual void showContext(int context) = 0;
    virtual void close() = 0;
};

/// Help that shows nothing: for the tests, which never open a help window.
class NoHelp final : public Help
{
public:
    void showTopic(const QString&) override {}
    void showContents() override {}
    void showContext(int) override {}
    void close() override {}
};
