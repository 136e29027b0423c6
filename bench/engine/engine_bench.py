#!/usr/bin/env python3
"""Card-image benchmark of the raw-recovery engine against PhotoRec (and
foremost when installed): builds a FAT32 image holding known files in camera
folders, some JPEGs written in two pieces around another file, deletes them
all, runs each carver on the same image and counts byte-identical
recoveries, archives, original names, finds that match no original, times
and peak memory; then the speed on 1 GiB of random bytes holding that card,
and on a card of nothing but JPEG photos, each against cat and PhotoRec."""
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
    for i in range(4):
        run(["heif-enc", "-o", os.path.join(folder, f"IMG_{100 + i:04d}.HEIC"),
             os.path.join(folder, f"IMG_{i:04d}.jpg")])
        run(["heif-enc", "-A", "-p", "chroma=422", "-o", os.path.join(folder, f"pic{i}.avif"),
             os.path.join(folder, f"shot{i}.png")])
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
    for i in range(4):
        ff(f"{i:05d}.MTS", video(2 + i, "320x240"), ["-c:v", "libx264", "-pix_fmt", "yuv420p",
                                                    "-f", "mpegts", "-mpegts_m2ts_mode", "1"])
    for i in range(2):
        ff(f"tv{i}.ts", video(2, "320x240"), ["-c:v", "mpeg2video", "-f", "mpegts"])
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


def score(originals, out_dir, expected_names=None):
    """Byte-identical recoveries, finds that match no original, all finds,
    identical archives, and identical finds under their original path."""
    wanted = {sha1(p): p for p in originals}
    found = []
    for root, _, names in os.walk(out_dir):
        for name in names:
            if name.endswith((".txt", ".xml", ".html")) and ("report" in name or "audit" in name):
                continue
            path = os.path.join(root, name)
            found.append((sha1(path), os.path.relpath(path, out_dir)))
    hashes = {h for h, _ in found}
    identical = len(set(wanted) & hashes)
    archives = len({h for h in hashes if h in wanted and wanted[h].endswith(ARCHIVES)})
    false_finds = sum(1 for h, _ in found if h not in wanted)
    named = 0
    if expected_names:
        right = {h for h, rel in found if h in wanted and rel in expected_names.get(wanted[h], ())}
        named = len(right)
    return identical, false_finds, len(found), archives, named


ARCHIVES = (".zip", ".7z", ".gz", ".rar")
IMAGES = (".jpg", ".JPG", ".png", ".gif", ".bmp", ".tif", ".webp", ".heic", ".HEIC", ".avif",
          ".CR2", ".CR3", ".NEF", ".ARW", ".DNG", ".ORF", ".RW2", ".RAF")
VIDEOS = (".mp4", ".mov", ".3gp", ".avi", ".wmv", ".ts")


def card_folder(name):
    if name.endswith(".MTS"):
        return "PRIVATE/AVCHD/BDMV/STREAM"
    if name.endswith(IMAGES):
        return "DCIM/100CANON"
    if name.endswith(VIDEOS):
        return "DCIM/100VIDEO"
    if name.endswith(ARCHIVES):
        return "BACKUP"
    return "Documents"


def names_for(card_path):
    """The names a deleted entry can give back: the whole name (a long name
    survives) or the short name with its first character lost."""
    folder, base = card_path.rsplit("/", 1)
    return {card_path, f"{folder}/_{base[1:]}"}


def category_of(name):
    return "Image" if name.endswith(IMAGES) else "Video" if name.endswith(VIDEOS + (".MTS",)) else ""


def set_next_free(image, cluster, offset=0):
    """Points the FAT32 allocation hint (FSInfo) at `cluster`, so the next
    file copied takes the first free clusters from there: a gap left by a
    deleted file, then whatever is free after the files behind it."""
    with open(image, "r+b") as f:
        f.seek(offset + 48)
        info_sector = int.from_bytes(f.read(2), "little")
        f.seek(offset + info_sector * 512 + 492)
        f.write(cluster.to_bytes(4, "little"))


def build_card(image, size_mb, files, fragmented=()):
    """A FAT32 card (4 KiB clusters) with `files` (card path, local path)
    copied in and deleted; each of `fragmented` (card path, local path,
    separator card path, separator local path, gap bytes) is written in two
    pieces around its separator, which is copied in first after a gap file
    of that size that is then deleted."""
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
    run(["mkfs.vfat", "-F", "32", "-s", "8", "-C", image, str(size_mb * 1024)])
    folders = sorted({p.rsplit("/", 1)[0] for p, _ in files} |
                     {f[0].rsplit("/", 1)[0] for f in fragmented} |
                     {f[2].rsplit("/", 1)[0] for f in fragmented})
    made = set()
    for folder in folders:
        parts = folder.split("/")
        for i in range(1, len(parts) + 1):
            sub = "/".join(parts[:i])
            if sub not in made:
                run(["mmd", "-i", image, "::/" + sub], env=env)
                made.add(sub)
    for n, (path, local, sep_path, sep_local, gap) in enumerate(fragmented):
        gap_file = os.path.join(WORK, "gap.bin")
        with open(gap_file, "wb") as f:
            f.write(os.urandom(gap))
        run(["mcopy", "-i", image, gap_file, f"::/GAP{n}.BIN"], env=env)
        run(["mcopy", "-i", image, sep_local, "::/" + sep_path], env=env)
        run(["mdel", "-i", image, f"::/GAP{n}.BIN"], env=env)
        set_next_free(image, 2)
        run(["mcopy", "-i", image, local, "::/" + path], env=env)
    for path, local in files:
        run(["mcopy", "-i", image, local, "::/" + path], env=env)
    for folder in folders:
        run(["mdel", "-i", image, "::/" + folder + "/*"], env=env)


def photorec(image, out):
    os.makedirs(out)
    return peak_rss(["photorec", "/log", "/d", os.path.join(out, "recup"), "/cmd", image,
                     "partition_none,search"])


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    originals_dir = os.path.join(WORK, "originals")
    names = make_originals(originals_dir)
    # Big photos written in two pieces, each around a smaller original.
    rnd = random.Random(11)
    frag_names = []
    for i in range(8):
        name = f"FRAG{i:04d}.JPG"
        run(["convert", "-seed", str(100 + i), "-size", "1024x768", "plasma:fractal", "+noise",
             "Gaussian", "-quality", "90", os.path.join(originals_dir, name)])
        frag_names.append(name)
    separators = [n for n in names if n.startswith(("shot", "anim"))][:len(frag_names)]
    fragmented = []
    for name, sep in zip(frag_names, separators):
        size = os.path.getsize(os.path.join(originals_dir, name))
        fragmented.append((card_folder(name) + "/" + name, os.path.join(originals_dir, name),
                           card_folder(sep) + "/" + sep, os.path.join(originals_dir, sep),
                           rnd.randrange(size // 4, size * 3 // 4)))
    names = sorted(set(names) | set(frag_names))
    originals = [os.path.join(originals_dir, n) for n in names]
    card_paths = {os.path.join(originals_dir, n): card_folder(n) + "/" + n for n in names}
    total_bytes = sum(os.path.getsize(p) for p in originals)
    kinds = {}
    for n in names:
        kinds[n.rsplit(".", 1)[1]] = kinds.get(n.rsplit(".", 1)[1], 0) + 1
    distinct = len({sha1(p) for p in originals})
    archives = len({sha1(p) for p in originals if p.endswith(ARCHIVES)})
    print(f"originals: {len(names)} files ({distinct} distinct, {archives} archives, "
          f"{len(frag_names)} JPEGs in two pieces), {total_bytes / 1e6:.1f} MB, kinds {kinds}")

    image = os.path.join(WORK, "card.img")
    size_mb = max(300, int(total_bytes * 1.3 / 1e6) + 40)
    in_pieces = {f[1] for f in fragmented} | {f[3] for f in fragmented}
    build_card(image, size_mb, [(card_paths[p], p) for p in originals if p not in in_pieces],
               fragmented)
    print(f"card image: {size_mb} MB FAT32, 4 KiB clusters, files copied then deleted")

    # Our export puts each file under its category folder; names are
    # checked below it.
    expected = {}
    for p in originals:
        expected[p] = set()
        for n in names_for(card_paths[p]):
            expected[p] |= {n} | {f"{c}/{n}" for c in ("Image", "Video", "Audio", "Archive",
                                                           "Document")}
    subprocess.run(["cat", image], stdout=subprocess.DEVNULL)  # into the page cache
    cat_s, _, _ = peak_rss(["cat", image], keep_output=False)
    results = {}
    ours = os.path.join(WORK, "ours")
    os.makedirs(ours)
    s, rss, out = peak_rss([CARVE, BBLIB, image, ours])
    results["orvane"] = (s, rss, score(originals, ours, expected), out.strip())
    if shutil.which("photorec"):
        s, rss, _ = photorec(image, os.path.join(WORK, "photorec"))
        results["photorec"] = (s, rss, score(originals, os.path.join(WORK, "photorec")), "")
    if shutil.which("foremost"):
        fm = os.path.join(WORK, "foremost")
        s, rss, _ = peak_rss(["foremost", "-Q", "-t", "all", "-i", image, "-o", fm])
        results["foremost"] = (s, rss, score(originals, fm), "")
    print(f"cat image > /dev/null: {cat_s:.3f} s ({os.path.getsize(image) / cat_s / 1e6:.0f} MB/s)")
    for tool, (s, rss, (identical, false_finds, found, arch, named), note) in results.items():
        print(f"{tool:9s} {s:7.3f} s  peak RSS {rss:6.1f} MiB  found {found:4d}  "
              f"byte-identical {identical:3d}/{distinct}  archives {arch}/{archives}  "
              f"original names {named}  matching no original {false_finds:3d}  {note}")

    # 1 GiB of random bytes with the card inside, from the page cache.
    noise = os.path.join(WORK, "random.img")
    with open(image, "rb") as f:
        card = f.read()
    with open(noise, "wb") as f:
        for _ in range(256):
            f.write(os.urandom(1 << 20))
        f.write(card)
        while f.tell() < 1 << 30:
            f.write(os.urandom(1 << 20))
    gb = os.path.getsize(noise) / 1e9
    subprocess.run(["cat", noise], stdout=subprocess.DEVNULL)
    cat_s, _, _ = peak_rss(["cat", noise], keep_output=False)
    s, rss, out = peak_rss([CARVE, BBLIB, noise, "-"])
    scan_s = float(out.split("scan ")[1].split(" s")[0])
    line = (f"{gb:.2f} GB random bytes holding the card: cat {cat_s:.2f} s; orvane scan {scan_s:.2f} s "
            f"({100 * cat_s / scan_s:.0f}% of cat's speed), process {s:.2f} s, peak RSS {rss:.1f} MiB")
    noise_out = os.path.join(WORK, "noise-out")
    os.makedirs(noise_out)
    s, _, out = peak_rss([CARVE, BBLIB, noise, noise_out])
    identical, false_finds, found, _, _ = score(originals, noise_out)
    line += f"; with copying {s:.2f} s, byte-identical {identical}, matching no original {false_finds}"
    if shutil.which("photorec"):
        pr_s, _, _ = photorec(noise, os.path.join(WORK, "photorec-noise"))
        line += f"; photorec {pr_s:.2f} s ({pr_s / s:.1f}x ours with copying)"
    print(line)
    os.remove(noise)

    # A card of nothing but JPEG photos.
    photos = os.path.join(WORK, "photos")
    os.makedirs(photos)
    jobs = []
    for i in range(100):
        jobs.append(["convert", "-seed", str(1000 + i), "-size", "1600x1200", "plasma:fractal",
                     "+noise", "Gaussian", "-quality", "92", os.path.join(photos, f"P{i:07d}.JPG")])
    for job in jobs:
        run(job)
    photo_files = [os.path.join(photos, n) for n in sorted(os.listdir(photos))]
    jpeg_card = os.path.join(WORK, "jpegs.img")
    build_card(jpeg_card, 400, [("DCIM/100CANON/" + os.path.basename(p), p) for p in photo_files])
    subprocess.run(["cat", jpeg_card], stdout=subprocess.DEVNULL)
    cat_s, _, _ = peak_rss(["cat", jpeg_card], keep_output=False)
    jpeg_out = os.path.join(WORK, "jpeg-out")
    os.makedirs(jpeg_out)
    s, rss, out = peak_rss([CARVE, BBLIB, jpeg_card, jpeg_out])
    identical, false_finds, found, _, _ = score(photo_files, jpeg_out)
    line = (f"JPEG-only card ({len(photo_files)} photos, "
            f"{sum(os.path.getsize(p) for p in photo_files) / 1e6:.0f} MB): cat {cat_s:.2f} s; "
            f"orvane {s:.2f} s, byte-identical {identical}, matching no original {false_finds}")
    if shutil.which("photorec"):
        pr_s, _, _ = photorec(jpeg_card, os.path.join(WORK, "photorec-jpeg"))
        identical, _, _, _, _ = score(photo_files, os.path.join(WORK, "photorec-jpeg"))
        line += f"; photorec {pr_s:.2f} s, byte-identical {identical}"
    print(line)


if __name__ == "__main__":
    main()
