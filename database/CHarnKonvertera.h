// The conversion dialog (resource 1000): shows the version found in a database file and the
// current one, starts the rebuilding of the database in a worker thread on "OK", and shows
// the objects registered so far while it runs.
#pragma once

#include "platform/Dialog.h"

class CHarnDbs;

class CHarnKonvertera : public platform::Dialog {
public:
    // `path` and `projnamn` are not copied and must outlive the dialog; `parent` may be null.
    CHarnKonvertera(const char* path, const char* projnamn, CHarnDbs* dbs, void* parent);
    ~CHarnKonvertera() override;

    // The version of the database file at `path`: its code (version x 100, 140 for 1.4), or
    // -1 when the file cannot be read; the version itself goes to `version` when given.
    static int LasVersion(const char* path, double* version);

    // The five counters, each shown in its own control.
    void SetBorrhal(int antal);
    void SetLinjer(int antal);
    void SetHallar(int antal);
    void SetTunnlar(int antal);
    void SetPunkter(int antal);

    CHarnDbs* m_pDbs;
    const char* m_path;
    const char* m_projnamn;
    // What the worker's Restore returned: 1 rebuilt, -1 refused or failed; 0 while it has
    // not run.
    int m_resultat = 0;

protected:
    int OnInitDialog() override;
    void OnOK() override;

private:
    void ShowCount(int id, int antal);
    void Work();
};
