// The web host of an update check, played by the local server: update.xml
// advertising a setup program and a message-module archive it also serves,
// with a data folder, an Update folder and AppData.db of its own.
#pragma once

#include "core/tests/TempDataFolder.h"
#include "online/Sha1Hash.h"
#include "online/ZipWriter.h"
#include "online/tests/LocalHttpServer.h"
#include "online/tests/OnlineTestFiles.h"

#include <gtest/gtest.h>

class UpdateTestSite
{
public:
    UpdateTestSite()
    {
        AppPaths.updateFolder = data.folder + L"\\Update";
        CreateDirectoryW(AppPaths.updateFolder, nullptr);
        OpenAppDatabase();
        server.Start();
    }

    static std::string Sha1Of(const std::string& bytes)
    {
        CSha1Hash hash;
        hash.Update(reinterpret_cast<const unsigned char*>(bytes.data()),
                    static_cast<unsigned>(bytes.size()));
        hash.Final();
        CString text;
        hash.GetHashString(&text);
        return ToUtf8(text).str();
    }

    // A zip archive holding `bytes` under the entry name, marked read-only
    // when asked.
    std::string ArchiveOf(const wchar_t* entryName, const std::string& bytes, bool readOnly = false)
    {
        OnlineTest::TempFolder work;
        const std::wstring source = work.File(L"module");
        OnlineTest::WriteFileBytes(source, bytes);
        if (readOnly)
            SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
        std::wstring archive = work.File(L"module.zip");
        ZipHandle* writer = ZipWriterCreate(archive.c_str());
        EXPECT_EQ(ZipWriterAddFile(writer, entryName, source.c_str()), ZipOk);
        ZipWriterClose(writer);
        SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        return OnlineTest::ReadFileBytes(archive);
    }

    std::string Url(const char* path) const
    {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
    }

    // Serves update.xml with the two adverts, the setup and the archive.
    void Advertise(const std::string& appVersion, const std::string& setup, const std::string& noteletVersion,
                   const std::string& module, const char* dur = "3600")
    {
        Serve("/update/update.xml",
              std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root dur=\"") + dur + "\">\n" +
                  "<app ver=\"" + appVersion + "\" url=\"" + Url("/files/QuorventileSetup.exe") +
                  "\" sha1=\"" + Sha1Of(setup) + "\"/>\n" + "<notelet ver=\"" + noteletVersion + "\" url=\"" +
                  Url("/files/notelet.zip") + "\" sha1=\"" + Sha1Of(module) + "\"/>\n</root>\n");
        Serve("/files/QuorventileSetup.exe", setup);
        Serve("/files/notelet.zip", ArchiveOf(L"Notelet.dll", module));
    }

    void Serve(const char* path, const std::string& body)
    {
        CLocalHttpServer::Answer answer;
        answer.body = body;
        server.SetAnswer(path, answer);
    }

    // The request targets seen since the last call.
    std::vector<std::string> TakeRequests()
    {
        std::vector<std::string> targets;
        for (const auto& request : server.Requests()) {
            EXPECT_EQ(request.method, "GET");
            targets.push_back(request.target);
        }
        server.ClearRequests();
        return targets;
    }

    TempDataFolder data;
    CLocalHttpServer server;
};
