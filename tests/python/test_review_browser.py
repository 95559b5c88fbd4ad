"""`ravelcrest review` in headless Chromium through Selenium (Debian's
python3-selenium and chromium-driver): two changes reviewed with the
keyboard, one accepted and one kept; the baselines on disk and a rerun show
exactly that. Also measures how long the page of a 2,500-document run with
50 changes takes to load (printed, not asserted). Skipped where Chromium or
its driver cannot start."""
import json
import os
import shutil
import time

import pytest

from review_support import Review, edited, ravelcrest
from summary import rows

webdriver = pytest.importorskip("selenium.webdriver")


@pytest.fixture
def browser(tmp_path):
    driver_path = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    if not os.path.exists(driver_path):
        pytest.skip("chromium-driver is not installed (scripts/setup installs it)")
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-dev-shm-usage", "--no-first-run", f"--user-data-dir={tmp_path}/chromium"):
        options.add_argument(flag)
    try:
        driver = webdriver.Chrome(service=Service(driver_path), options=options)
    except Exception as e:  # noqa: BLE001 - any failure to start means no browser here
        pytest.skip(f"chromium cannot start here: {e}")
    yield driver
    driver.quit()


def wait_for(predicate, timeout=20):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False


def test_review_two_changes_with_the_keyboard(models, tmp_path, browser):
    from selenium.webdriver.common.by import By
    edited(models, tmp_path)
    assert ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r1").returncode == 1
    baselines = {p: p.read_bytes() for p in models.rglob("*") if p.is_file() and "/new/" not in str(p)
                 and not p.name.endswith(".json")}
    review = Review(tmp_path / "r1", "--idle-timeout", "120")
    try:
        browser.get(review.url)
        changes = browser.find_elements(By.CSS_SELECTOR, "tr[data-check]")
        assert len(changes) >= 2
        first, second = changes[0].get_attribute("data-check"), changes[1].get_attribute("data-check")
        body = browser.find_element(By.TAG_NAME, "body")
        body.send_keys("?")
        assert browser.find_element(By.ID, "review-help").is_displayed()
        body.send_keys("?")
        body.send_keys("j")
        assert "current" in changes[0].get_attribute("class")
        body.send_keys("j")
        body.send_keys("k")
        assert "current" in changes[0].get_attribute("class")
        body.send_keys("a")  # accept the first, move to the second
        body.send_keys("s")  # keep the second
        assert wait_for(lambda: changes[0].find_element(By.CSS_SELECTOR, "td.status").text == "ACCEPTED")
        assert changes[1].find_element(By.CSS_SELECTOR, "td.status").text == "KEPT"
        assert "accepted" not in (browser.find_element(By.ID, "review-bar").text.lower().split("not accepted")[0]
                                  if "not accepted" in browser.find_element(By.ID, "review-bar").text else "")
    finally:
        out, _ = review.stop()
    assert f"bolt.vxlprt {first}:" in out
    changed = {p for p, data in baselines.items() if not p.exists() or p.read_bytes() != data}
    assert changed, "accepting wrote no baseline"
    assert all(p.name.startswith("bolt.vxlprt") or ".ravelcrest" in p.parts for p in changed), changed
    rerun = ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r2")
    table = {r[1]: r[2] for r in rows(rerun.stdout)}
    assert table[first] == "OK", rerun.stdout
    assert table[second] == "WARNING", rerun.stdout


def test_load_time_of_a_large_run(models, tmp_path, browser):
    edited(models, tmp_path)
    ravelcrest("check", models, "--results", tmp_path / "r1")
    run = json.loads((tmp_path / "r1" / "results.json").read_text())
    sample = run["documents"]
    documents, changes = [], 0
    for i in range(2500):
        d = json.loads(json.dumps(sample[i % len(sample)]))
        d["index"] = i
        d["document"] = f"{i:04}-{d['document']}"
        for r in d["checks"]:
            if r["status"] in ("WARNING", "BASELINE CREATED"):
                if changes < 50:
                    changes += 1
                else:
                    r["status"] = "OK"
        documents.append(d)
    run["documents"], run["documentCount"] = documents, 2500
    big = tmp_path / "big"
    big.mkdir()
    (big / "results.json").write_text(json.dumps(run))
    review = Review(big, "--idle-timeout", "120")
    try:
        start = time.monotonic()
        browser.get(review.url)
        seconds = time.monotonic() - start
        timing = browser.execute_script(
            "var t=performance.timing;return [t.loadEventEnd-t.navigationStart, document.querySelectorAll('tr[data-check]').length]")
    finally:
        review.stop()
    print(f"\nreview page of 2500 documents, {changes} changes: load {timing[0]} ms (get() {seconds:.2f} s), "
          f"{timing[1]} rows to review")
    (tmp_path.parent / "review-load-time.txt").write_text(f"{timing[0]} ms\n")
    assert timing[1] == changes
