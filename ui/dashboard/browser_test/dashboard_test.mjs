// End to end: the console simulator, 'stratoquill run --http' on it, and Debian's
// chromium driven by playwright-core. The current page shows the simulator's values and
// changes with the next packet, the history page draws one line per variable, a report
// page shows the report, and no page logs an error (a blocked script or style would).
//   node dashboard_test.mjs STRATOQUILL CONSOLE_SIM
import { spawn, spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const [sq, sim] = process.argv.slice(2);
const work = mkdtempSync(path.join(os.tmpdir(), 'sq-browser-'));
const home = path.join(work, 'home');
const env = { ...process.env, STRATOQUILL_HOME: home, TZ: 'UTC' };
const children = [];
let context = null;

function fail(message) {
  console.error('FAIL: ' + message);
  process.exitCode = 1;
  throw new Error(message);
}

function check(condition, message) {
  if (!condition) fail(message);
  console.log('ok - ' + message);
}

function run(args) {
  const r = spawnSync(sq, args, { env, encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], timeout: 60000 });
  if (r.status !== 0) fail(`stratoquill ${args.join(' ')}: ${r.stderr}`);
  return r.stdout;
}

// Resolves with the first line a child prints on stdout (bounded).
function firstLine(child, ms) {
  return new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('no output from the simulator')), ms);
    child.stdout.on('data', (d) => {
      text += d;
      const nl = text.indexOf('\n');
      if (nl >= 0) { clearTimeout(timer); resolve(text.slice(0, nl).trim()); }
    });
  });
}

function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer();
    s.listen(0, '127.0.0.1', () => { const { port } = s.address(); s.close(() => resolve(port)); });
  });
}

async function waitFor(what, fn, ms) {
  const end = Date.now() + ms;
  for (;;) {
    try { if (await fn()) return; } catch { /* not yet */ }
    if (Date.now() > end) fail('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 100));
  }
}

async function main() {
  const console_sim = spawn(sim, ['--pty', '--records', '300', '--start', '2024-06-01', '--packet-ms', '400'],
                            { stdio: ['ignore', 'pipe', 'inherit'] });
  children.push(console_sim);
  const device = await firstLine(console_sim, 10000);
  spawnSync('mkdir', ['-p', home]);
  run(['init']);
  run(['station', 'new', 'Browser']);
  const station = path.join(home, 'Browser');
  run(['station', 'set', station, 'model=5', 'connection=serial', 'port=1', `device=${device}`,
       'latitude=41.5', 'longitude=-87.5', 'timezone=-6']);
  run(['download', station, '--yes']);

  const port = await freePort();
  const base = `http://127.0.0.1:${port}`;
  const server = spawn(sq, ['run', '--station', station, '--http', String(port)],
                       { env, stdio: ['ignore', 'inherit', 'inherit'] });
  children.push(server);
  await waitFor('the dashboard', async () => (await fetch(base + '/api/current')).status === 200, 20000);

  context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const errors = [];
  const page = context.pages()[0] || await context.newPage();
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));

  // Current conditions: the simulator's values, then the next packet's.
  await page.goto(base + '/');
  const temp = page.locator('[data-v="outside_temperature"]');
  const first = await temp.textContent();
  check(/^\d+(\.\d)?$/.test(first) && Number(first) >= 65 && Number(first) <= 68,
        `the current page shows the simulator's outside temperature (${first})`);
  const humidity = await page.locator('[data-v="outside_humidity"]').textContent();
  check(humidity === '68', `and its humidity (${humidity})`);
  await waitFor('a live update', async () => Number(await page.getAttribute('body', 'data-updates')) >= 1, 10000);
  await waitFor('the next packet', async () => (await temp.textContent()) !== first, 10000);
  check(true, `the value changes with the next packet (${first} -> ${await temp.textContent()})`);

  // History: two variables, two lines.
  await page.goto(base + '/history?var=outside_temperature&var2=barometer&span=week');
  const series = await page.locator('svg path.series').count();
  check(series === 2, `the history page draws ${series} series`);
  const d = await page.locator('svg path.series').first().getAttribute('d');
  check(d && d.split('L').length > 10, 'the first series has points');

  // A report.
  await page.goto(base + '/reports?month=2024-06');
  const report = await page.locator('pre.report').textContent();
  check(report.includes('MONTHLY CLIMATOLOGICAL SUMMARY'), 'the report page shows the monthly report');

  for (const p of ['/day', '/log', '/status', '/api']) {
    const r = await page.goto(base + p);
    check(r.status() === 200, `${p} answers`);
  }
  check(errors.length === 0, 'no console errors' + (errors.length ? ': ' + errors.join(' | ') : ''));
}

try {
  await main();
} catch (e) {
  if (!process.exitCode) { console.error(e); process.exitCode = 1; }
} finally {
  if (context) await context.close().catch(() => {});
  for (const c of children.reverse()) {
    if (c.exitCode === null) {
      c.kill('SIGTERM');
      await new Promise((r) => { const t = setTimeout(() => { c.kill('SIGKILL'); r(); }, 5000); c.once('exit', () => { clearTimeout(t); r(); }); });
    }
  }
  rmSync(work, { recursive: true, force: true });
}
