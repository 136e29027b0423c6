#!/usr/bin/env python3
"""Card-image benchmark of the raw-recovery engine against PhotoRec and
foremost: builds a FAT32 image holding known files, deletes them, runs each
carver on the same image and counts byte-identical recoveries, finds that
match no original, times and peak memory; then measures throughput on a
large mostly-empty image and false finds on random bytes."""
import hashlib
import os
import random
import resource
import shutil
import subprocess
import sys
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-engine")
WORK = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "/tmp/orvane-engine-bench")
BBLIB = os.path.join(BUILD, "bblib.so")
CARVE = os.path.join(BUILD, "bench-engine", "engine_carve")
SAMPLES = os.path.join(BUILD, "bench-engine", "engine_bench_samples")


def run(args, **kw):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


def peak_rss(args, keep_output=True):
    """Wall seconds, peak RSS in MiB and output of one command, through GNU time."""
    out = subprocess.run(["/usr/bin/time", "-f", "%M %e"] + args, check=True,
                         stdout=subprocess.PIPE if keep_output else subprocess.DEVNULL,
                         stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
    kb, seconds = out.stderr.decode().strip().splitlines()[-1].split()
    text = out.stdout.decode(errors="replace") if keep_output else ""
    return float(seconds), int(kb) / 1024.0, text


def make_originals(folder):
    os.makedirs(folder)
    rnd = random.Random(7)
    jobs = []
    def convert(name, size, extra=()):
        jobs.append(["convert", "-seed", str(rnd.randrange(1 << 30)), "-size", size, "plasma:fractal",
                     "+noise", "Gaussian", *extra, os.path.join(folder, name)])
    for i in range(60):
        w = rnd.choice([640, 800, 1024, 1280])
        convert(f"IMG_{i:04d}.jpg", f"{w}x{w * 3 // 4}", ["-quality", str(rnd.choice([80, 90, 95]))])
    for i in range(15):
        convert(f"shot{i}.png", f"{rnd.choice([200, 320, 480])}x240")
    for i in range(10):
        convert(f"anim{i}.gif", f"{rnd.choice([160, 240])}x120")
    for i in range(10):
        convert(f"scan{i}.bmp", f"{rnd.choice([120, 200, 300])}x100")
    for i in range(10):
        convert(f"raw{i}.tif", f"{rnd.choice([150, 300])}x200")
    for i in range(8):
        convert(f"web{i}.webp", f"{rnd.choice([300, 500])}x300")
    for i in range(6):
        convert(f"phone{i}.heic", f"{rnd.choice([320, 640])}x480")
    for job in jobs:
        run(job)
    video = lambda d, s: ["-f", "lavfi", "-i", f"testsrc=size={s}:rate=25:duration={d}"]
    audio = lambda d, f: ["-f", "lavfi", "-i", f"sine=frequency={f}:duration={d}"]
    def ff(name, inp, opts):
        run(["ffmpeg", "-nostdin", "-y", "-v", "error", *inp, *opts, os.path.join(folder, name)])
    for i in range(10):
        ff(f"VID_{i}.mp4", video(2 + i % 3, "320x240"), ["-c:v", "libx264", "-pix_fmt", "yuv420p"])
    for i in range(5):
        ff(f"clip{i}.mov", video(2, "320x240"), ["-c:v", "mpeg4"])
    for i in range(5):
        ff(f"mms{i}.3gp", video(3, "176x144"), ["-c:v", "libx264", "-pix_fmt", "yuv420p"])
    for i in range(6):
        ff(f"voice{i}.m4a", audio(4 + i, 300 + 50 * i), ["-c:a", "aac"])
    for i in range(5):
        ff(f"old{i}.avi", video(2, "320x240"), ["-c:v", "mpeg4"])
    for i in range(10):
        ff(f"rec{i}.wav", audio(1 + i % 4, 200 + 40 * i), ["-c:a", "pcm_s16le"])
    for i in range(15):
        ff(f"song{i}.mp3", audio(5 + i, 220 + 30 * i), ["-c:a", "libmp3lame", "-b:a", "128k"])
    for i in range(6):
        ff(f"track{i}.ogg", audio(4 + i, 500 + 20 * i), ["-c:a", "libvorbis"])
    for i in range(5):
        ff(f"music{i}.wma", audio(4 + i, 600 + 20 * i), ["-c:a", "wmav2"])
    for i in range(3):
        ff(f"movie{i}.wmv", video(2, "320x240"), ["-c:v", "wmv2"])
    run([SAMPLES, folder])
    import zipfile
    for i in range(6):
        kind = ["docx", "xlsx", "pptx"][i % 3]
        top = {"docx": "word/document.xml", "xlsx": "xl/workbook.xml", "pptx": "ppt/presentation.xml"}[kind]
        with zipfile.ZipFile(os.path.join(folder, f"office{i}.{kind}"), "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("[Content_Types].xml", "<Types/>")
            z.writestr("_rels/.rels", "<Relationships/>")
            z.writestr(top, " ".join(str(rnd.random()) for _ in range(3000 + 2000 * i)))
    for i in range(6):
        with zipfile.ZipFile(os.path.join(folder, f"backup{i}.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            for j in range(3):
                z.writestr(f"part{j}.txt", os.urandom(20000 + 10000 * i) if j == 0 else "x" * 50000)
    for i in range(3):
        blob = os.path.join(WORK, f"blob{i}.bin")
        with open(blob, "wb") as f:
            f.write(os.urandom(100000 * (i + 1)))
        run(["7zz", "a", "-bd", "-y", os.path.join(folder, f"pack{i}.7z"), blob])
    return sorted(os.listdir(folder))


def sha1(path):
    h = hashlib.sha1()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def score(originals, out_dir):
    wanted = {sha1(p) for p in originals}
    found = []
    for root, _, names in os.walk(out_dir):
        for name in names:
            if name.endswith((".txt", ".xml", ".html")) and ("report" in name or "audit" in name):
                continue
            found.append(sha1(os.path.join(root, name)))
    identical = len(wanted & set(found))
    false_finds = sum(1 for h in found if h not in wanted)
    return identical, false_finds, len(found)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    originals_dir = os.path.join(WORK, "originals")
    names = make_originals(originals_dir)
    originals = [os.path.join(originals_dir, n) for n in names]
    total_bytes = sum(os.path.getsize(p) for p in originals)
    kinds = {}
    for n in names:
        kinds[n.rsplit(".", 1)[1]] = kinds.get(n.rsplit(".", 1)[1], 0) + 1
    distinct = len({sha1(p) for p in originals})
    print(f"originals: {len(names)} files ({distinct} distinct), {total_bytes / 1e6:.1f} MB, kinds {kinds}")

    image = os.path.join(WORK, "card.img")
    size_mb = max(64, int(total_bytes * 1.3 / 1e6) + 40)
    run(["mkfs.vfat", "-F", "32", "-C", image, str(size_mb * 1024)])
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
    run(["mmd", "-i", image, "::/DCIM"], env=env)
    for p in originals:
        run(["mcopy", "-i", image, p, "::/DCIM/"], env=env)
    run(["mdel", "-i", image, "::/DCIM/*"], env=env)
    print(f"card image: {size_mb} MB FAT32, files copied then deleted")

    subprocess.run(["cat", image], stdout=subprocess.DEVNULL)  # into the page cache
    cat_s, _, _ = peak_rss(["cat", image], keep_output=False)
    results = {}
    ours = os.path.join(WORK, "ours")
    os.makedirs(ours)
    s, rss, out = peak_rss([CARVE, BBLIB, image, ours])
    results["orvane"] = (s, rss, score(originals, ours), out.strip())
    pr = os.path.join(WORK, "photorec")
    os.makedirs(pr)
    s, rss, _ = peak_rss(["photorec", "/log", "/d", os.path.join(pr, "recup"), "/cmd", image,
                          "partition_none,search"])
    results["photorec"] = (s, rss, score(originals, pr), "")
    fm = os.path.join(WORK, "foremost")
    s, rss, _ = peak_rss(["foremost", "-Q", "-t", "all", "-i", image, "-o", fm])
    results["foremost"] = (s, rss, score(originals, fm), "")
    print(f"cat image > /dev/null: {cat_s:.3f} s ({os.path.getsize(image) / cat_s / 1e6:.0f} MB/s)")
    for tool, (s, rss, (identical, false_finds, found), note) in results.items():
        print(f"{tool:9s} {s:7.3f} s  peak RSS {rss:6.1f} MiB  found {found:4d}  "
              f"byte-identical {identical:3d}/{distinct}  matching no original {false_finds:3d}  {note}")

    # Throughput and memory on a large image: copies of the card one after
    # the other to 3 GiB, written out (no holes), read from the page cache.
    big = os.path.join(WORK, "big.img")
    with open(image, "rb") as f:
        card = f.read()
    with open(big, "wb") as f:
        while f.tell() + len(card) <= 3 << 30:
            f.write(card)
    subprocess.run(["cat", big], stdout=subprocess.DEVNULL)
    cat_s, _, _ = peak_rss(["cat", big], keep_output=False)
    s, rss, out = peak_rss([CARVE, BBLIB, big, "-"])
    scan_s = float(out.split("scan ")[1].split(" s")[0])
    gb = os.path.getsize(big) / 1e9
    print(f"{gb:.2f} GB image (card copies): cat {cat_s:.2f} s ({gb / cat_s:.2f} GB/s); orvane scan "
          f"{scan_s:.2f} s ({gb / scan_s:.2f} GB/s, {100 * cat_s / scan_s:.0f}% of cat's speed), "
          f"process {s:.2f} s, peak RSS {rss:.1f} MiB; {out.strip()}")
    os.remove(big)

    noise = os.path.join(WORK, "random.img")
    with open(noise, "wb") as f:
        for _ in range(1024):
            f.write(os.urandom(1 << 20))
    noise_out = os.path.join(WORK, "noise-out")
    os.makedirs(noise_out)
    s, rss, out = peak_rss([CARVE, BBLIB, noise, noise_out])
    print(f"1 GiB of random bytes: {out.strip()} ({len(os.listdir(noise_out))} false finds per GiB), "
          f"peak RSS {rss:.1f} MiB")


if __name__ == "__main__":
    main()
