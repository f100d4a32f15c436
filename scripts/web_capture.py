"""Web pages captured by a real browser (Chromium headless, driven over the DevTools protocol on a
pipe): the capture and its visible text, one visual row per line. Shared by the corpus scripts."""

import argparse
import base64
import json
import os
import subprocess
import sys
import time

# The visible text, one visual row per line: characters are placed by their boxes, grouped into
# rows by vertical overlap and read left to right; a blank separates pieces where the text has one
# or where the page shows a gap.
VISIBLE_TEXT_JS = r"""
(() => {
  const words = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  const range = document.createRange();
  let node, nodeIndex = 0;
  while ((node = walker.nextNode())) {
    nodeIndex++;
    const el = node.parentElement;
    if (!el || !el.checkVisibility({opacityProperty: true, visibilityProperty: true})) continue;
    const fs = parseFloat(getComputedStyle(el).fontSize);
    const text = node.data;
    let cur = null, spaceBefore = false;
    for (let i = 0; i < text.length;) {
      const len = text.codePointAt(i) > 0xffff ? 2 : 1;
      const ch = text.slice(i, i + len);
      if (/\s/.test(ch)) { if (cur) { words.push(cur); cur = null; } spaceBefore = true; i += len; continue; }
      range.setStart(node, i); range.setEnd(node, i + len);
      const rs = range.getClientRects();
      i += len;
      if (!rs.length || rs[0].width <= 0) continue;
      const r = rs[0];
      if (cur && Math.abs(r.top - cur.top) < 0.5 * r.height && r.left >= cur.right - 0.5 * fs) {
        cur.text += ch; cur.right = Math.max(cur.right, r.right); cur.bottom = Math.max(cur.bottom, r.bottom);
      } else {
        if (cur) words.push(cur);
        cur = {text: ch, left: r.left, right: r.right, top: r.top, bottom: r.bottom, fs, node: nodeIndex,
               spaceBefore};
      }
      spaceBefore = false;
    }
    if (cur) words.push(cur);
  }
  words.sort((a, b) => (a.top + a.bottom) - (b.top + b.bottom));
  // A word joins the last row it overlaps enough in height, unless it stands over or under a word
  // of that row, barely overlapping it in height and close beside it or in its columns: two short
  // lines stacked beside one tall word (a label over its value beside a title, a menu item wrapped
  // beside a dialog's row) are two rows, not one whose words interleave.
  const stacked = (a, b) =>
    Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top) < 0.25 * Math.min(a.bottom - a.top, b.bottom - b.top) &&
    Math.max(a.left, b.left) - Math.min(a.right, b.right) < 1.5 * Math.max(a.fs, b.fs);
  const rows = [];
  for (const w of words) {
    const h = w.bottom - w.top;
    const row = rows.slice(-3).reverse().find(row =>
      Math.min(row.bottom, w.bottom) - Math.max(row.top, w.top) >= 0.6 * Math.min(h, row.bottom - row.top) &&
      !row.words.some(o => stacked(o, w)));
    if (row) {
      row.words.push(w); row.top = Math.min(row.top, w.top); row.bottom = Math.max(row.bottom, w.bottom);
      continue;
    }
    rows.push({top: w.top, bottom: w.bottom, words: [w]});
  }
  const lines = rows.map(row => {
    row.words.sort((a, b) => a.left - b.left);
    let line = '';
    let prev = null;
    for (const w of row.words) {
      if (prev) {
        const gap = w.left - prev.right;
        const blank = w.node === prev.node ? w.spaceBefore || gap > 0.5 * w.fs : gap > 0.12 * Math.min(w.fs, prev.fs);
        if (blank) line += ' ';
      }
      line += w.text;
      prev = w;
    }
    return line;
  });
  return lines.join('\n');
})()
"""


class Browser:
    def __init__(self, hinting="none"):
        to_browser = os.pipe()
        from_browser = os.pipe()

        def child_pipes():
            os.dup2(to_browser[0], 3)
            os.dup2(from_browser[1], 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)

        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--no-first-run",
             "--mute-audio", "--disable-extensions", f"--font-render-hinting={hinting}", "--remote-debugging-pipe",
             "about:blank"],
            preexec_fn=child_pipes, close_fds=False, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(to_browser[0])
        os.close(from_browser[1])
        self.out = os.fdopen(to_browser[1], "wb")
        self.inp = os.fdopen(from_browser[0], "rb")
        self.pending = b""
        self.last_id = 0
        target = self.call("Target.createTarget", {"url": "about:blank"})
        self.session = self.call("Target.attachToTarget", {"targetId": target["targetId"], "flatten": True})["sessionId"]
        self.call("Page.enable", session=True)
        self.frame = self.call("Page.getFrameTree", session=True)["frameTree"]["frame"]["id"]

    def call(self, method, params=None, session=False):
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        self.out.write(json.dumps(message).encode("utf-8") + b"\0")
        self.out.flush()
        while True:
            while b"\0" not in self.pending:
                chunk = self.inp.read1(1 << 20)
                if not chunk:
                    raise RuntimeError("chromium closed the DevTools pipe")
                self.pending += chunk
            raw, self.pending = self.pending.split(b"\0", 1)
            reply = json.loads(raw)
            if reply.get("id") == self.last_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True, "returnByValue": True},
                           session=True)
        if "exceptionDetails" in result:
            raise RuntimeError(str(result["exceptionDetails"]))
        return result["result"].get("value")

    def render(self, markup, s):
        """Lays out the page at the style's width, grows the viewport to the page's height, and returns
        the visible text and the capture's bytes."""
        metrics = {"width": s.width, "height": s.height, "deviceScaleFactor": s.scale, "mobile": s.phone}
        self.call("Emulation.setDeviceMetricsOverride", metrics, session=True)
        self.call("Page.setDocumentContent", {"frameId": self.frame, "html": markup}, session=True)
        settle = "document.fonts.ready.then(() => new Promise(r => requestAnimationFrame(() => " \
                 "requestAnimationFrame(r)))).then(() => document.documentElement.scrollHeight)"
        height = self.evaluate(settle)
        if height > s.height:
            metrics["height"] = height
            self.call("Emulation.setDeviceMetricsOverride", metrics, session=True)
            self.evaluate(settle)
        text = self.evaluate(VISIBLE_TEXT_JS)
        params = {"format": "jpeg", "quality": s.quality} if s.jpeg else {"format": "png"}
        shot = self.call("Page.captureScreenshot", params, session=True)
        return text, base64.b64decode(shot["data"]), metrics["height"]

    def rescale(self, image, factor, jpeg_quality=None):
        """A capture scaled by `factor` as an image viewer or a messenger would (smooth resampling),
        saved as PNG or, with `jpeg_quality`, as JPEG."""
        kind, quality = ("image/jpeg", jpeg_quality / 100) if jpeg_quality else ("image/png", 1)
        source = "data:image/png;base64," + base64.b64encode(image).decode("ascii")
        script = f"""new Promise((done, failed) => {{
          const picture = new Image();
          picture.onload = () => {{
            const canvas = document.createElement('canvas');
            canvas.width = Math.round(picture.width * {factor}); canvas.height = Math.round(picture.height * {factor});
            const context = canvas.getContext('2d');
            context.imageSmoothingEnabled = true; context.imageSmoothingQuality = 'high';
            context.drawImage(picture, 0, 0, canvas.width, canvas.height);
            done(canvas.toDataURL('{kind}', {quality}).split(',')[1]);
          }};
          picture.onerror = failed;
          picture.src = '{source}';
        }})"""
        return base64.b64decode(self.evaluate(script))

    def close(self):
        try:
            self.call("Browser.close")
        except (RuntimeError, OSError):
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


FIELDS = ("name", "amount", "currency", "cycle", "billingType", "startDate")


def corpus_options(doc, count, seed):
    """The options every tuning-corpus script takes (--out, --count, --seed); makes the folder."""
    args = argparse.ArgumentParser(description=doc, formatter_class=argparse.RawDescriptionHelpFormatter)
    args.add_argument("--out", required=True)
    args.add_argument("--count", type=int, default=count)
    args.add_argument("--seed", type=int, default=seed)
    opts = args.parse_args()
    if opts.count < 1:
        sys.exit("--count must be at least 1")
    os.makedirs(opts.out, exist_ok=True)
    return opts


def write_page(out, label, image, jpeg, text):
    """One page of a corpus: its capture and its truth text, named by its label."""
    with open(os.path.join(out, label + (".jpg" if jpeg else ".png")), "wb") as f:
        f.write(image)
    with open(os.path.join(out, label + ".txt"), "w", encoding="utf-8") as f:
        f.write(text + "\n")


def style_row(label, typeface, file_kind, phone, scale):
    """One line of styles.tsv: the label and the style a receipt was captured in."""
    return f"{label}\t{typeface}\t{file_kind}\t{'phone' if phone else 'desktop'}\t{scale}x"


def intended_row(label, facts):
    """One line of intended.tsv: the label and the facts a receipt was written with."""
    return "\t".join([label] + [str(facts[key]) for key in FIELDS])


def write_tables(out, styles, intended):
    """styles.tsv and intended.tsv of a corpus folder, under their headings, one receipt per line."""
    for name, heading, rows in (("styles.tsv", ("label", "typeface", "file", "width", "scale"), styles),
                                ("intended.tsv", ("label",) + FIELDS, intended)):
        with open(os.path.join(out, name), "w", encoding="utf-8") as file:
            file.write("\n".join(["\t".join(heading)] + rows) + "\n")


def finish_corpus(opts, styles, intended, started):
    """Ends a tuning-corpus script: writes the folder's tables and says how long the pages took."""
    write_tables(opts.out, styles, intended)
    print(f"{opts.count} pages in {opts.out} in {time.monotonic() - started:.1f} s")
    return 0
