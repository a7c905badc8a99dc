#!/usr/bin/python3
"""Checks what the online tests left in their artefacts folder with standard
tools: our zip archive with Info-ZIP's `unzip -t` and Python's zipfile, and
the error-log upload with Python's email (MIME) parser.

Usage: check_artefacts.py <artefacts folder>
"""
import email.parser
import email.policy
import io
import os
import subprocess
import sys
import zipfile

folder = sys.argv[1]
failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


# The writer's archive: entries in the order added, their contents beside it
# as writer.0, writer.1, ...
archive = os.path.join(folder, "writer.zip")
tested = subprocess.run(["unzip", "-t", "-qq", archive], capture_output=True, text=True)
expect(tested.returncode == 0, "unzip -t: %s%s" % (tested.stdout, tested.stderr))
with zipfile.ZipFile(archive) as z:
    expect(z.testzip() is None, "zipfile finds a bad entry")
    for index, info in enumerate(z.infolist()):
        with open(os.path.join(folder, "writer.%d" % index), "rb") as f:
            expected = f.read()
        expect(z.read(info) == expected, "entry %d (%s) differs" % (index, info.filename))
        stored = info.filename.lower().endswith(".zip")
        expect(info.compress_type == (zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED),
               "entry %d method %d" % (index, info.compress_type))
        expect(info.flag_bits & 8 == 0, "entry %d has a data descriptor" % index)

# The upload: a multipart form with cid, ver, errinfo, the zipped log as
# userfile and an empty submit field.
with open(os.path.join(folder, "upload.request"), "rb") as f:
    head, body = f.read().split(b"\r\n\r\n", 1)
headers = dict(line.split(b": ", 1) for line in head.split(b"\r\n")[1:])
expect(int(headers[b"Content-Length"]) == len(body), "Content-Length differs from the body")
message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
    b"MIME-Version: 1.0\r\nContent-Type: " + headers[b"Content-Type"] + b"\r\n\r\n" + body)
expect(message.is_multipart() and not message.defects, "not a sound multipart body: %s" % message.defects)
parts = list(message.iter_parts())
names = [part.get_param("name", header="content-disposition") for part in parts]
expect(names == ["cid", "ver", "errinfo", "userfile", "submit"], "parts %s" % names)
if len(parts) == 5:
    values = {name: part.get_payload(decode=True) for name, part in zip(names, parts)}
    expect(values["cid"] == b"0123456789abcdef0123456789abcdef0a", "cid %r" % values["cid"])
    expect(values["ver"] == b"", "ver %r" % values["ver"])
    expect(values["errinfo"] == b"Faulty.dll", "errinfo %r" % values["errinfo"])
    expect(values["submit"] == b"", "submit %r" % values["submit"])
    userfile = parts[3]
    expect(userfile.get_filename() == "errorlog.txt", "file name %r" % userfile.get_filename())
    expect(userfile.get_content_type() == "application/octet-stream", userfile.get_content_type())
    with open(os.path.join(folder, "upload.log"), "rb") as f:
        log = f.read()
    with zipfile.ZipFile(io.BytesIO(values["userfile"])) as z:
        expect(z.namelist() == ["ErrorLog.txt"], "archive holds %s" % z.namelist())
        expect(z.read("ErrorLog.txt") == log, "the uploaded log differs")

for failure in failures:
    print("check_artefacts: " + failure)
print("check_artefacts: %s" % ("FAILED" if failures else "all good"))
sys.exit(1 if failures else 0)
