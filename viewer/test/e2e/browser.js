// Debian's Chromium, headless, with nothing that phones home, in a fresh
// profile directory that the caller owns.
import { chromium } from 'playwright-core';

export const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

export async function launch(profileDir, viewport = { width: 1280, height: 900 }) {
  const context = await chromium.launchPersistentContext(profileDir, {
    executablePath: CHROMIUM,
    headless: true,
    viewport,
    acceptDownloads: true,
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  // The persistent context opens with one blank tab; tests make their own.
  for (const page of context.pages()) await page.close();
  return { newPage: () => context.newPage(), close: () => context.close() };
}
