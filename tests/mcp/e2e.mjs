// End to end under Wine with a real MCP client that no one here wrote: the official MCP TypeScript
// SDK starts `wine zelmor-mcp.exe` over stdio while the real quorvel.exe runs, and every tool's
// result is held against the monitor's own reply to the same pipe request. Output follows
// GoogleTest's lines so the test command counts it like the other suites.
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const build = path.resolve(process.env.QV_WIN_BUILD ?? path.join(here, '..', '..', 'build', 'win'));
const companionExe = path.join(build, 'zelmor-mcp.exe');
const helperExe = path.join(build, 'tools', 'mcp_e2e_helper.exe');
const monitorExe = path.join(build, 'quorvel.exe');
const shot = process.env.QV_MCP_SHOT ?? path.join(build, 'mcp-e2e-banner.png');
const env = { ...process.env, WINEDEBUG: process.env.WINEDEBUG ?? '-all' };
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qv-mcp-e2e-'));
const notRunning = 'Quorvel is not running on this machine';

// Wine shows the Unix file system as drive Z:.
const winPath = (p) => 'Z:' + p.replaceAll('/', '\\');

// Standard error is passed through, not captured: a Wine server that this call happens to start
// keeps the stream it was given for the whole session, and a captured one would hold the call
// until its time-out.
function helper(args, input = '') {
  const r = spawnSync('wine', [helperExe, ...args], { input, env, timeout: 90000, stdio: ['pipe', 'pipe', 'inherit'] });
  return { code: r.status, out: r.stdout ? r.stdout.toString('utf8') : '' };
}

// The monitor's reply line to a request sent straight to its pipe.
function direct(line) {
  const r = helper(['request'], line);
  assert.equal(r.code, 0, `direct pipe request "${line}" failed`);
  assert.ok(r.out.endsWith('\n'));
  return r.out.slice(0, -1);
}

const clients = [];
async function companion(cwd) {
  const transport = new StdioClientTransport({ command: 'wine', args: [companionExe], env, cwd, stderr: 'pipe' });
  const stderr = [];
  transport.stderr?.on('data', (d) => stderr.push(d.toString()));
  const client = new Client({ name: 'quorvel-e2e', version: '1.0.0' });
  const errors = [];
  client.onerror = (e) => errors.push(String(e));
  await client.connect(transport);
  const c = { client, transport, stderr, errors };
  clients.push(c);
  return c;
}

async function call(c, name, args = {}) {
  return c.client.callTool({ name, arguments: args });
}

function replyOf(result) {
  assert.ok(!result.isError, `tool error: ${JSON.stringify(result.content)}`);
  assert.equal(result.content.length, 1);
  assert.equal(result.content[0].type, 'text');
  const parsed = JSON.parse(result.content[0].text);
  assert.deepEqual(result.structuredContent, parsed);
  return result.content[0].text;
}

const keys = (o) => Object.keys(o);

const tests = [];
const test = (name, fn) => tests.push({ name, fn });
let primary;

// Starts the monitor with its settings in the work folder, sampling every `intervalMs`, and waits
// until its pipe answers.
async function startMonitor(intervalMs) {
  assert.equal(helper(['stop']).code, 0);  // one left over would answer with other settings
  fs.writeFileSync(
    path.join(work, 'zelmor.ini'),
    `interval_ms=${intervalMs}\nagent_log_file=${winPath(path.join(work, 'agents.log')).replaceAll('\\', '\\\\')}\n`);
  // Inside the virtual desktop with a taskbar, so the panel can be opened and looked at.
  const desktop = spawn('wine', ['explorer', '/desktop=quorvel,1280x1024', helperExe, 'start', winPath(work), winPath(monitorExe)],
    { env, stdio: 'ignore', detached: true });
  desktop.unref();
  // A fresh Wine server on a loaded machine can take a while to bring the desktop up.
  const t0 = Date.now();
  let up = false;
  const tries = [];
  while (!up && Date.now() - t0 < 180000) {
    const r = helper(['request'], 'rules');
    tries.push(r.code);
    up = r.code === 0;
  }
  console.log(`    pipe attempts (exit codes): ${tries.join(' ')}`);
  assert.ok(up, 'the monitor pipe never answered');
  console.log(`    the monitor answered after ${Date.now() - t0} ms`);
}

test('StartsTheMonitor', async () => {
  await startMonitor(250);
});

test('InitializeCarriesServerInfoAndThePreferencesAsInstructions', async () => {
  const t0 = Date.now();
  primary = await companion(work);
  console.log(`    companion start-up to initialize answer (wine process start included): ${Date.now() - t0} ms`);
  assert.equal(primary.client.getServerVersion().name, 'quorvel');
  assert.ok(primary.client.getServerCapabilities().tools);
  const rules = JSON.parse(direct('rules')).instructions;
  assert.ok(rules.length > 0);
  assert.equal(primary.client.getInstructions(), rules);
});

test('ListsTheToolsWithTheirSchemas', async () => {
  const { tools } = await primary.client.listTools();
  assert.deepEqual(tools.map((t) => t.name), ['get_snapshot', 'get_history', 'top_apps', 'get_app', 'get_fps', 'notify',
    'report_agents', 'get_notification_preferences']);
  const byName = Object.fromEntries(tools.map((t) => [t.name, t]));
  for (const t of tools) {
    assert.equal(t.inputSchema.type, 'object');
    assert.ok(t.description.length > 60, t.name);
  }
  assert.deepEqual(byName.top_apps.inputSchema.properties.metric.enum, ['cpu', 'ram', 'gpu', 'disk', 'net']);
  assert.equal(byName.top_apps.inputSchema.properties.count.minimum, 1);
  assert.equal(byName.top_apps.inputSchema.properties.count.maximum, 50);
  assert.deepEqual(byName.get_app.inputSchema.required, ['name']);
  assert.deepEqual(byName.notify.inputSchema.required, ['body']);
  assert.deepEqual(byName.report_agents.inputSchema.required, ['agents']);
  assert.equal(byName.report_agents.inputSchema.properties.agents.type, 'array');
  // Titles and hints for permission prompts; the reply shapes, which the client checks every
  // structured result against.
  const readOnly = ['get_snapshot', 'get_history', 'top_apps', 'get_app', 'get_fps', 'get_notification_preferences'];
  for (const t of tools) {
    assert.ok(t.title && t.title.length > 0, t.name);
    assert.equal(t.annotations.readOnlyHint, readOnly.includes(t.name), t.name);
    assert.equal(t.annotations.openWorldHint, false, t.name);
    if (!readOnly.includes(t.name)) assert.equal(t.annotations.destructiveHint, false, t.name);
    assert.equal(t.outputSchema.type, 'object', t.name);
  }
  assert.equal(byName.get_history.inputSchema.properties.last_seconds.type, 'integer');
  assert.equal(byName.notify.inputSchema.properties.body.minLength, 1);
});

test('EveryToolAnswersLikeTheDirectPipeRequest', async () => {
  // A monitor that has just started may not have sampled yet: wait for its first history entry.
  for (let i = 0; i < 50 && JSON.parse(direct('history')).samples.length === 0; ++i) {
    await new Promise((r) => setTimeout(r, 200));
  }
  // Figures move between two samples, so live replies are compared by shape and fixed parts.
  const snap = JSON.parse(replyOf(await call(primary, 'get_snapshot')));
  const snapDirect = JSON.parse(direct('snapshot'));
  assert.deepEqual(keys(snap), keys(snapDirect));
  assert.equal(snap.mem_total_bytes, snapDirect.mem_total_bytes);
  assert.deepEqual(snap.drives.map((d) => [d.letter, d.total_bytes]), snapDirect.drives.map((d) => [d.letter, d.total_bytes]));

  const hist = JSON.parse(replyOf(await call(primary, 'get_history')));
  const histDirect = JSON.parse(direct('history'));
  assert.deepEqual(keys(hist), ['samples']);
  assert.ok(hist.samples.length > 0 && histDirect.samples.length >= hist.samples.length);
  assert.deepEqual(keys(hist.samples[0]), keys(histDirect.samples[0]));
  // Asked first, the companion's newest sample is no newer than the direct one.
  assert.ok(hist.samples.at(-1).unix_ms <= histDirect.samples.at(-1).unix_ms);
  // Only the last two seconds: at 250 ms a sample about 8 (a late tick's catch-up may add one or
  // two), all newer than newest - 2 s.
  for (let i = 0; i < 50 && JSON.parse(direct('history')).samples.length < 12; ++i) {
    await new Promise((r) => setTimeout(r, 200));
  }
  const recentResult = await call(primary, 'get_history', { last_seconds: 2 });
  const recent = JSON.parse(replyOf(recentResult));
  const newest = recent.samples.at(-1).unix_ms;
  assert.ok(recent.samples.length >= 1 && recent.samples.length <= 10, `${recent.samples.length} samples`);
  assert.ok(recent.samples.every((x) => x.unix_ms > newest - 2000));
  const whole = JSON.parse(replyOf(await call(primary, 'get_history')));
  assert.ok(whole.samples.length > recent.samples.length, `${whole.samples.length} vs ${recent.samples.length}`);
  console.log(`    get_history text: ${recentResult.content[0].text.length} bytes for the last 2 s, ` +
    `${JSON.stringify(whole).length} bytes whole (${whole.samples.length} samples)`);

  // Under Wine per-process private memory reads 0, so the ram list is empty; disk is as good a test.
  const top = JSON.parse(replyOf(await call(primary, 'top_apps', { metric: 'disk', count: 3 })));
  const topDirect = JSON.parse(direct('top disk 3'));
  assert.deepEqual(keys(top), ['metric', 'unit', 'apps']);
  assert.equal(top.metric, 'disk');
  assert.equal(top.unit, 'bytes_per_sec');
  assert.equal(top.unit, topDirect.unit);
  assert.ok(top.apps.length <= 3);
  const cpu = JSON.parse(replyOf(await call(primary, 'top_apps', { count: 500 })));
  assert.equal(cpu.metric, 'cpu');
  assert.ok(cpu.apps.length <= 50);

  const app = JSON.parse(replyOf(await call(primary, 'get_app', { name: 'QUORVEL.EXE' })));
  const appDirect = JSON.parse(direct('app QUORVEL.EXE'));
  assert.equal(app.running, true);
  assert.deepEqual(keys(app), keys(appDirect));
  assert.deepEqual(app.pids, appDirect.pids);

  assert.equal(replyOf(await call(primary, 'get_app', { name: 'no-such-app.exe' })), direct('app no-such-app.exe'));
  const fps = JSON.parse(replyOf(await call(primary, 'get_fps')));
  assert.deepEqual(fps, JSON.parse(direct('fps')));
  assert.equal(replyOf(await call(primary, 'notify', { title: 'E2E', body: 'sent through zelmor-mcp.exe' })), direct('notify E2E\tdirect'));
  assert.equal(replyOf(await call(primary, 'report_agents', { agents: [] })), direct('agents e2e-direct\tdirect\t[]'));
  assert.equal(replyOf(await call(primary, 'get_notification_preferences')), direct('rules'));
});

test('TwoCompanionsInTwoFoldersAreTwoSessions', async () => {
  const alpha = path.join(work, 'project-alpha');
  const beta = path.join(work, 'project-beta');
  fs.mkdirSync(alpha);
  fs.mkdirSync(beta);
  const a = await companion(alpha);
  const b = await companion(beta);
  const ra = await call(a, 'report_agents', { agents: [{ id: 'a1', title: 'Alpha build', status: 'running' }] });
  const rb = await call(b, 'report_agents', { agents: [{ id: 'b1', title: 'Beta tests', status: 'running', detail: 'unit' }] });
  assert.equal(replyOf(ra), '{"ok":true,"agents":1}');
  assert.equal(replyOf(rb), '{"ok":true,"agents":1}');
  // Had both shared one session, the second report would have finished "Alpha build" as done.
  const log = path.join(work, 'agents.log');
  assert.ok(!fs.existsSync(log) || !fs.readFileSync(log, 'utf8').includes('Alpha build'));
  // Both running: the overview's agent banner reads "2 agents running in 2 sessions".
  // The panel lives in the virtual desktop; only a program on that desktop can find it.
  spawnSync('wine', ['explorer', '/desktop=quorvel,1280x1024', helperExe, 'show-panel'],
    { env, timeout: 30000, stdio: ['ignore', 'ignore', 'inherit'] });
  await new Promise((r) => setTimeout(r, 2500));
  spawnSync('import', ['-window', 'root', shot], { env });
  console.log(`    screenshot of the panel: ${shot}`);
  assert.equal(replyOf(await call(a, 'report_agents', { agents: [{ id: 'a1', title: 'Alpha build', status: 'done' }] })),
    '{"ok":true,"agents":0}');
  let text = '';
  for (let i = 0; i < 50 && !text.includes('Alpha build'); ++i) {
    await new Promise((r) => setTimeout(r, 100));
    text = fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : '';
  }
  assert.match(text, / \| agent done \| Alpha build \| /);
  assert.ok(!text.includes('Beta tests'), text);
});

test('SlowIntervalIsOutwaitedAndPingIsAnsweredMeanwhile', async () => {
  // At the longest interval the monitor may wait up to 25 s for per-process figures.
  await startMonitor(10000);
  const c = await companion(work);
  const t0 = Date.now();
  let callDone = 0;
  const pending = call(c, 'get_app', { name: 'quorvel.exe' }).then((r) => { callDone = Date.now(); return r; });
  await new Promise((r) => setTimeout(r, 1000));
  const pings = [];
  while (!callDone && pings.length < 30) {
    const p0 = Date.now();
    await c.client.ping();
    pings.push({ ms: Date.now() - p0, beside: !callDone });
    await new Promise((r) => setTimeout(r, 1000));
  }
  const app = JSON.parse(replyOf(await pending));
  console.log(`    get_app at interval_ms=10000 took ${callDone - t0} ms; pings meanwhile (ms): ${pings.map((p) => p.ms).join(' ')}`);
  assert.equal(app.running, true);
  assert.ok(pings.length > 0 && pings[0].beside, 'the first ping was not answered while the call waited');
  assert.ok(pings.every((p) => p.ms < 2000), 'a ping waited behind the call');
});

test('WithTheMonitorStoppedEveryToolSaysSo', async () => {
  assert.equal(helper(['stop']).code, 0);
  const c = await companion(work);
  assert.equal(c.client.getInstructions(), undefined);
  const calls = [['get_snapshot', {}], ['get_history', {}], ['top_apps', {}], ['get_app', { name: 'x.exe' }], ['get_fps', {}],
    ['notify', { body: 'x' }], ['report_agents', { agents: [] }], ['get_notification_preferences', {}]];
  for (const [name, args] of calls) {
    const r = await call(c, name, args);
    assert.equal(r.isError, true, name);
    assert.deepEqual(r.content, [{ type: 'text', text: notRunning }], name);
  }
});

test('ServerPosingUnderAnotherImageIsRefused', async () => {
  const squatter = spawn('wine', [helperExe, 'squat'], { env, stdio: ['pipe', 'pipe', 'ignore'] });
  let said = '';
  squatter.stdout.on('data', (d) => { said += d.toString(); });
  for (let i = 0; i < 200 && !said.includes('listening'); ++i) await new Promise((r) => setTimeout(r, 50));
  try {
    assert.ok(said.includes('listening'), 'the squatter did not start');
    const c = await companion(work);
    const r = await call(c, 'get_snapshot');
    assert.equal(r.isError, true);
    assert.match(r.content[0].text, /^Refused to talk to the program serving Quorvel's pipe: .*mcp_e2e_helper\.exe/);
    assert.match(c.stderr.join(''), /refused/);
    assert.ok(!said.includes('request seen'), `the request reached the squatter: ${said}`);
  } finally {
    squatter.stdin.end();
  }
});

test('CompanionsWroteNothingButProtocolToStdout', async () => {
  for (const c of clients) assert.deepEqual(c.errors, []);
});

let passed = 0;
let failed = 0;
console.log(`[==========] Running ${tests.length} tests from 1 test suite.`);
for (const t of tests) {
  const name = `McpEndToEnd.${t.name}`;
  console.log(`[ RUN      ] ${name}`);
  const t0 = Date.now();
  try {
    await t.fn();
    console.log(`[       OK ] ${name} (${Date.now() - t0} ms)`);
    ++passed;
  } catch (e) {
    console.log(String(e && e.stack ? e.stack : e));
    console.log(`[  FAILED  ] ${name} (${Date.now() - t0} ms)`);
    ++failed;
  }
}
for (const c of clients) await c.client.close().catch(() => {});
helper(['stop']);
fs.rmSync(work, { recursive: true, force: true });
console.log(`[==========] ${tests.length} tests from 1 test suite ran.`);
console.log(`[  PASSED  ] ${passed} tests.`);
process.exit(failed === 0 ? 0 : 1);
